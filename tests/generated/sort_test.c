/* sort and bsearch with the default comparison in its value form (int key
 * Item, double key Reading generated with the suffix _Mgr) and its string
 * form (Person), and sort_by/bsearch_by with a caller's comparison, also on
 * a module without a key (Note).  Every form also runs on modules that hold
 * no block, at the start and after clear: the C library does not allow a
 * null array even for zero elements, and the undefined-behaviour sanitizer
 * reports one. */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "item_mgr.h"
#include "reading_Mgr.h"
#include "person_mgr.h"
#include "note_mgr.h"
#include "test_support.h"

static void
push_item( int id )
{
	Item it;
	memset( &it, 0, sizeof( it ) );
	it.id = id;
	sprintf( it.tag, "s%d", ( id < 0 ? -id : id ) % 1000 );
	CHECK( item_push_back( &it ) == 0 );
}

/* The element moved as a whole: its tag still belongs to its id. */
static int
item_is( size_t i, int id )
{
	const Item *p = item_at( i );
	char tag[ 8 ];
	sprintf( tag, "s%d", ( id < 0 ? -id : id ) % 1000 );
	return p != NULL && p->id == id && strcmp( p->tag, tag ) == 0;
}

static Item *
find_item( int id )
{
	Item key;
	memset( &key, 0, sizeof( key ) );
	strcpy( key.tag, "key" );
	key.id = id;
	return item_bsearch( &key );
}

static int
item_descending( const void *a, const void *b )
{
	int ia = ( ( const Item * )a )->id;
	int ib = ( ( const Item * )b )->id;
	return ia < ib ? 1 : ia > ib ? -1 : 0;
}

static void
int_key( void )
{
	static const int ids[] = { 42, -7, 0, 13, -7, 99, 5 };
	static const int ascending[] = { -7, -7, 0, 5, 13, 42, 99 };
	static const int descending[] = { 99, 42, 13, 5, 0, -7, -7 };
	Item key;
	Item *hit;
	size_t i;

	for ( i = 0; i < 7; i++ ) push_item( ids[ i ] );
	item_sort();
	for ( i = 0; i < 7; i++ ) CHECK( item_is( i, ascending[ i ] ) );

	/* Only the key field is compared. */
	hit = find_item( 13 );
	CHECK( hit == item_at( 4 ) );
	hit = find_item( 99 );
	CHECK( hit == item_at( 6 ) );
	hit = find_item( -7 );
	CHECK( hit == item_at( 0 ) || hit == item_at( 1 ) );
	CHECK( find_item( 6 ) == NULL );
	CHECK( find_item( -100 ) == NULL );
	CHECK( find_item( 100 ) == NULL );

	item_sort_by( item_descending );
	for ( i = 0; i < 7; i++ ) CHECK( item_is( i, descending[ i ] ) );
	memset( &key, 0, sizeof( key ) );
	key.id = 5;
	CHECK( item_bsearch_by( &key, item_descending ) == item_at( 3 ) );
	key.id = 6;
	CHECK( item_bsearch_by( &key, item_descending ) == NULL );

	/* No elements, block still held. */
	for ( i = 0; i < 7; i++ ) item_pop_back();
	item_sort();
	item_sort_by( item_descending );
	key.id = 5;
	CHECK( item_bsearch( &key ) == NULL );
	CHECK( item_bsearch_by( &key, item_descending ) == NULL );
	item_clear();
}

static void
push_reading( double value, int station )
{
	Reading r;
	r.value = value;
	r.station = station;
	CHECK( reading_push_back( &r ) == 0 );
}

static const Reading *
find_reading( double value )
{
	Reading key;
	key.value = value;
	key.station = -1;
	return reading_bsearch( &key );
}

static void
double_key( void )
{
	static const double sorted[] = { -1.25, -0.001, 0.0, 2.5, 3.75, 1e10 };
	static const int stations[] = { 2, 6, 4, 1, 5, 3 };
	size_t i;

	push_reading( 2.5, 1 );
	push_reading( -1.25, 2 );
	push_reading( 1e10, 3 );
	push_reading( 0.0, 4 );
	push_reading( 3.75, 5 );
	push_reading( -0.001, 6 );
	reading_sort();
	for ( i = 0; i < 6; i++ ) {
		CHECK( reading_at( i )->value == sorted[ i ] );
		CHECK( reading_at( i )->station == stations[ i ] );
	}
	CHECK( find_reading( 3.75 ) == reading_at( 4 ) );
	CHECK( find_reading( -0.001 ) == reading_at( 1 ) );
	CHECK( find_reading( 1e10 ) == reading_at( 5 ) );
	CHECK( find_reading( 3.7 ) == NULL );
	CHECK( find_reading( -2.0 ) == NULL );
	reading_clear();
}

static void
push_person( const char *name, int age )
{
	Person someone;
	memset( &someone, 0, sizeof( someone ) );
	strcpy( someone.name, name );
	someone.age = age;
	CHECK( person_push_back( &someone ) == 0 );
}

static const Person *
find_person( const char *name )
{
	Person key;
	memset( &key, 'x', sizeof( key ) );
	strcpy( key.name, name );
	key.age = -1;
	return person_bsearch( &key );
}

static int
by_age( const void *a, const void *b )
{
	return ( ( const Person * )a )->age - ( ( const Person * )b )->age;
}

static void
string_key( void )
{
	/* strcmp order: upper case before lower case, a prefix before its
	 * extensions, the empty string first. */
	static const char *const sorted[] = { "", "Bob", "alice", "alice2", "carol", "mallory" };
	static const int ages[] = { 50, 20, 30, 60, 40, 10 };
	Person key;
	size_t i;

	push_person( "mallory", 10 );
	push_person( "Bob", 20 );
	push_person( "alice", 30 );
	push_person( "carol", 40 );
	push_person( "", 50 );
	push_person( "alice2", 60 );
	person_sort();
	for ( i = 0; i < 6; i++ ) {
		CHECK( strcmp( person_at( i )->name, sorted[ i ] ) == 0 );
		CHECK( person_at( i )->age == ages[ i ] );
	}
	for ( i = 0; i < 6; i++ ) CHECK( find_person( sorted[ i ] ) == person_at( i ) );
	CHECK( find_person( "Alice" ) == NULL );
	CHECK( find_person( "alice1" ) == NULL );
	CHECK( find_person( "zed" ) == NULL );

	person_sort_by( by_age );
	for ( i = 0; i < 6; i++ ) CHECK( person_at( i )->age == ( int )( i + 1 ) * 10 );
	memset( &key, 0, sizeof( key ) );
	key.age = 40;
	CHECK( person_bsearch_by( &key, by_age ) == person_at( 3 ) );
	CHECK( strcmp( person_at( 3 )->name, "carol" ) == 0 );
	key.age = 45;
	CHECK( person_bsearch_by( &key, by_age ) == NULL );
	person_clear();
}

static int
note_ascending( const void *a, const void *b )
{
	int na = ( ( const Note * )a )->n;
	int nb = ( ( const Note * )b )->n;
	return na < nb ? -1 : na > nb ? 1 : 0;
}

/* Without a key the module has only the caller-comparison forms. */
static void
no_key( void )
{
	static const int values[] = { 3, 1, 4, 1, 5, 9, 2, 6 };
	static const int sorted[] = { 1, 1, 2, 3, 4, 5, 6, 9 };
	Note key;
	size_t i;

	for ( i = 0; i < 8; i++ ) {
		Note note;
		note.n = values[ i ];
		note.seen = ( int )i;
		CHECK( note_push_back( &note ) == 0 );
	}
	note_sort_by( note_ascending );
	for ( i = 0; i < 8; i++ ) CHECK( note_at( i )->n == sorted[ i ] );
	key.seen = -1;
	key.n = 9;
	CHECK( note_bsearch_by( &key, note_ascending ) == note_at( 7 ) );
	CHECK( note_at( 7 )->seen == 5 );
	key.n = 7;
	CHECK( note_bsearch_by( &key, note_ascending ) == NULL );
	note_clear();
}

/* No block held: nothing to sort, nothing found. */
static void
no_block( void )
{
	Item item_key;
	Reading reading_key;
	Person person_key;
	Note note_key;

	memset( &item_key, 0, sizeof( item_key ) );
	memset( &reading_key, 0, sizeof( reading_key ) );
	memset( &person_key, 0, sizeof( person_key ) );
	memset( &note_key, 0, sizeof( note_key ) );

	item_sort();
	item_sort_by( item_descending );
	CHECK( item_bsearch( &item_key ) == NULL );
	CHECK( item_bsearch_by( &item_key, item_descending ) == NULL );
	CHECK( item_size() == 0 );

	reading_sort();
	CHECK( reading_bsearch( &reading_key ) == NULL );
	person_sort();
	person_sort_by( by_age );
	CHECK( person_bsearch( &person_key ) == NULL );
	CHECK( person_bsearch_by( &person_key, by_age ) == NULL );
	note_sort_by( note_ascending );
	CHECK( note_bsearch_by( &note_key, note_ascending ) == NULL );
}

int
main( void )
{
	no_block();
	int_key();
	double_key();
	string_key();
	no_key();
	no_block();
	return checks_passed( "sort_test" );
}
