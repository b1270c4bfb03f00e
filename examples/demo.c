/* Calls each of the sixteen functions of the module that
   tavrik -i item.h -n Item -k id
   writes, and checks what each gives back: it prints every wrong result and
   then exits with status 1. Build it with item_mgr.c. */
#include <stdio.h>
#include <string.h>

#include "item_mgr.h"

static int failures = 0;
static int n_seen = 0;
static int last_dropped = 0;

static void check( int ok, const char *what )
{
	if ( !ok ) {
		fprintf( stderr, "demo: wrong result: %s\n", what );
		failures++;
	}
}

static int is_cheap( Item *p_item )
{
	return p_item->price < 5.0;
}

static void give_away( Item *p_item )
{
	p_item->price = 0.0;
}

static void print_item( Item *p_item )
{
	printf( "  %3d  %-10s %6.2f\n", p_item->id, p_item->name, p_item->price );
	n_seen++;
}

static void note_dropped( Item *p_item )
{
	last_dropped = p_item->id;
	n_seen++;
}

/* Orders by name, for sort_by and bsearch_by. */
static int by_name( const void *p1, const void *p2 )
{
	return strcmp( ( ( const Item * )p1 )->name, ( ( const Item * )p2 )->name );
}

int main( void )
{
	static const struct { int id; const char *name; double price; } stock[] = {
		{ 42, "lamp", 19.50 }, { 7, "pencil", 0.80 }, { 19, "notebook", 3.25 },
		{ 3, "stapler", 8.10 }, { 25, "eraser", 0.45 }
	};
	static const int cheap_ids[] = { 7, 19, 25 };
	static const int sorted_ids[] = { 3, 7, 19, 25, 42 };
	size_t i;
	Item key;
	Item *p_hit = NULL;
	int n_hits;

	for ( i = 0; i < sizeof stock / sizeof stock[0]; i++ ) {
		Item item;
		memset( &item, 0, sizeof item );
		item.id = stock[i].id;
		strcpy( item.name, stock[i].name );
		item.price = stock[i].price;
		check( item_push_back( &item ) == 0, "push_back returns 0" );
	}
	check( item_size() == 5, "size is 5 after five appends" );
	check( item_at( 0 ) != NULL && item_at( 0 )->id == 42, "at(0) is the first appended" );
	check( item_at( 5 ) == NULL, "at(size) is NULL" );

	/* An element of the container itself may be appended: it is copied first. */
	check( item_push_back( item_at( 0 ) ) == 0 && item_size() == 6
	       && item_at( 5 )->id == 42, "push_back of an element of its own" );
	item_pop_back();
	check( item_size() == 5, "pop_back drops one" );

	check( item_find( &p_hit ) == 1 && p_hit == item_at( 0 ), "find gives the first element" );

	/* findfirst, then findnext while it finds: every match once, in order. */
	n_hits = 0;
	if ( item_findfirst( is_cheap, &p_hit ) ) {
		do {
			check( n_hits < 3 && p_hit->id == cheap_ids[n_hits], "findfirst/findnext order" );
			n_hits++;
		} while ( item_findnext( is_cheap, &p_hit ) );
	}
	check( n_hits == 3, "three items cheaper than 5.00" );

	item_sort();
	for ( i = 0; i < 5; i++ )
		check( item_at( i )->id == sorted_ids[i], "sort orders by id" );
	memset( &key, 0, sizeof key );
	key.id = 19;
	p_hit = item_bsearch( &key );
	check( p_hit != NULL && strcmp( p_hit->name, "notebook" ) == 0, "bsearch finds id 19" );
	key.id = 20;
	check( item_bsearch( &key ) == NULL, "bsearch finds no id 20" );

	item_sort_by( by_name );
	check( strcmp( item_at( 0 )->name, "eraser" ) == 0, "sort_by orders by name" );
	strcpy( key.name, "pencil" );
	p_hit = item_bsearch_by( &key, by_name );
	check( p_hit != NULL && p_hit->id == 7, "bsearch_by finds the pencil" );

	/* Elements change in place through the callbacks. */
	item_transform_if( is_cheap, give_away );
	n_hits = 0;
	for ( i = 0; i < item_size(); i++ )
		n_hits += item_at( i )->price == 0.0;
	check( n_hits == 3, "transform_if changed the three cheap items" );
	printf( "sorted by name, the cheap ones given away:\n" );
	n_seen = 0;
	item_transform( print_item );
	check( n_seen == 5, "transform calls back for each element" );

	n_seen = 0;
	item_touch_pop_back( note_dropped );
	check( n_seen == 1 && last_dropped == 3 && item_size() == 4,
	       "touch_pop_back hands over the last element, then drops it" );
	n_seen = 0;
	item_touch_clear( note_dropped );
	check( n_seen == 4 && last_dropped == 25 && item_size() == 0,
	       "touch_clear hands over every element, last to first" );

	check( item_push_back( &key ) == 0 && item_size() == 1, "push_back after a clear" );
	item_clear();
	check( item_size() == 0 && item_find( &p_hit ) == 0, "clear empties the container" );

	if ( failures != 0 ) {
		fprintf( stderr, "demo: %d wrong results\n", failures );
		return 1;
	}
	printf( "demo: all sixteen functions gave the expected results\n" );
	return 0;
}
