/* Container operations of a generated module (value key int, structure Item):
 * appends and growth, addresses from at, pops, clears, bounds, and what an
 * empty container does.  Allocations are observed through alloc_hook.h. */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "item_mgr.h"
#include "item_support.h"
#include "test_support.h"

/* What a callback was handed, in call order. */
#define SEEN_MAX 300
static int seen_ids[ SEEN_MAX ];
static const Item *seen_addr[ SEEN_MAX ];
static int seen_count = 0;

static void
record( Item *p )
{
	CHECK( seen_count < SEEN_MAX );
	seen_ids[ seen_count ] = p->id;
	seen_addr[ seen_count ] = p;
	seen_count++;
}

static int
accept_all( Item *p )
{
	( void )p;
	return 1;
}

/* A new program's container holds no block; nothing here may allocate. */
static void
empty_container( void )
{
	Item sentinel;
	Item *p = &sentinel;

	CHECK( item_size() == 0 );
	CHECK( item_at( 0 ) == NULL );

	item_pop_back();
	CHECK( item_size() == 0 );
	seen_count = 0;
	item_touch_pop_back( record );
	CHECK( seen_count == 0 );

	CHECK( item_find( &p ) == 0 );
	CHECK( item_findfirst( accept_all, &p ) == 0 );
	CHECK( item_findnext( NULL, &p ) == 0 );
	CHECK( p == &sentinel );

	item_transform( record );
	item_transform_if( accept_all, record );
	CHECK( seen_count == 0 );

	item_clear();
	item_touch_clear( record );
	CHECK( seen_count == 0 );
	CHECK( item_size() == 0 );
	CHECK( alloc_calloc_calls == 0 );
	CHECK( alloc_realloc_calls == 0 );
}

/* 127 appends fit the first block of 128; the 128th doubles it to 256 and
 * the 256th to 512; every element survives each move. */
static void
appends_and_growth( void )
{
	size_t i;

	push_ids( 0, 1 );
	CHECK( alloc_calloc_calls == 1 );
	CHECK( alloc_calloc_last_count == 128 );
	CHECK( alloc_calloc_last_size == sizeof( Item ) );

	push_ids( 1, 127 );
	CHECK( alloc_calloc_calls == 1 );
	CHECK( alloc_realloc_calls == 0 );

	push_ids( 127, 128 );
	CHECK( alloc_realloc_calls == 1 );
	CHECK( alloc_realloc_last_bytes == 256 * sizeof( Item ) );
	for ( i = 0; i < 128; i++ ) CHECK( holds_item( i, ( int )i ) );

	push_ids( 128, 255 );
	CHECK( alloc_realloc_calls == 1 );
	push_ids( 255, 256 );
	CHECK( alloc_realloc_calls == 2 );
	CHECK( alloc_realloc_last_bytes == 512 * sizeof( Item ) );
	CHECK( alloc_calloc_calls == 1 );
	for ( i = 0; i < 256; i++ ) CHECK( holds_item( i, ( int )i ) );
	CHECK( item_at( 256 ) == NULL );

	/* clear frees the block: the next append starts a fresh 128-block. */
	item_clear();
	CHECK( item_size() == 0 );
	CHECK( item_at( 0 ) == NULL );
	push_ids( 0, 1 );
	CHECK( alloc_calloc_calls == 2 );
	CHECK( alloc_calloc_last_count == 128 );
	CHECK( alloc_realloc_calls == 2 );
	CHECK( holds_item( 0, 0 ) );
	item_clear();
}

/* An address from at stays the element's address until the block grows.
 * The hook's realloc always moves the block, so reading through the old
 * address after growth would be reported by the sanitizers; the module must
 * hand out the new block's addresses. */
static void
addresses_until_growth( void )
{
	const Item *first;
	const Item *last;
	unsigned long reallocs = alloc_realloc_calls;
	int id;

	push_ids( 0, 1 );
	first = item_at( 0 );
	CHECK( first != NULL );
	for ( id = 1; id < 127; id++ ) {
		Item it = make_item( id );
		CHECK( item_push_back( &it ) == 0 );
		CHECK( item_at( 0 ) == first );
		CHECK( item_at( ( size_t )id ) == first + id );
		CHECK( first->id == 0 );
	}
	last = item_at( 126 );
	CHECK( last->id == 126 );
	CHECK( alloc_realloc_calls == reallocs );

	push_ids( 127, 128 );
	CHECK( alloc_realloc_calls == reallocs + 1 );
	CHECK( holds_item( 0, 0 ) );
	CHECK( holds_item( 126, 126 ) );
	CHECK( holds_item( 127, 127 ) );
	CHECK( item_at( 1 ) == item_at( 0 ) + 1 );
	item_clear();
}

/* Appending an element of the container itself, at( i ), while the block
 * grows three times: push_back must copy the element before the realloc
 * frees the block it points into.  Element n is a copy of element n - 100. */
static void
push_back_own_elements( void )
{
	unsigned long reallocs = alloc_realloc_calls;
	size_t n;

	push_ids( 0, 100 );
	for ( n = 100; n < 600; n++ ) {
		CHECK( item_push_back( item_at( n - 100 ) ) == 0 );
		CHECK( item_size() == n + 1 );
	}
	CHECK( alloc_realloc_calls == reallocs + 3 );
	for ( n = 0; n < 600; n++ ) CHECK( holds_item( n, ( int )( n % 100 ) ) );
	item_clear();
}

static void
at_bounds( void )
{
	const Item *p0;

	CHECK( item_at( 0 ) == NULL );
	push_ids( 0, 3 );
	p0 = item_at( 0 );
	CHECK( p0 != NULL );
	CHECK( item_at( 1 ) == p0 + 1 );
	CHECK( item_at( 2 ) == p0 + 2 );
	CHECK( item_at( 3 ) == NULL );
	CHECK( item_at( item_size() ) == NULL );
	CHECK( item_at( ( size_t )-1 ) == NULL );
	item_clear();
}

/* Pops on a container whose first block is full (127 elements), down to
 * empty and past it; the block stays, so pushing again allocates nothing. */
static void
pops_full_and_empty( void )
{
	const Item *addr[ 127 ];
	unsigned long callocs;
	size_t i;

	push_ids( 0, 127 );
	callocs = alloc_calloc_calls;
	for ( i = 0; i < 127; i++ ) addr[ i ] = item_at( i );

	/* touch_pop_back hands the last element to fn, then drops it. */
	seen_count = 0;
	item_touch_pop_back( record );
	CHECK( seen_count == 1 );
	CHECK( seen_ids[ 0 ] == 126 );
	CHECK( seen_addr[ 0 ] == addr[ 126 ] );
	CHECK( item_size() == 126 );
	CHECK( item_at( 126 ) == NULL );

	/* pop_back drops without calling anything. */
	item_pop_back();
	CHECK( item_size() == 125 );
	CHECK( holds_item( 124, 124 ) );

	/* touch_pop_back with no callback behaves as pop_back. */
	item_touch_pop_back( NULL );
	CHECK( item_size() == 124 );

	seen_count = 0;
	for ( i = 124; i > 0; i-- ) item_touch_pop_back( record );
	CHECK( seen_count == 124 );
	for ( i = 0; i < 124; i++ ) {
		CHECK( seen_ids[ i ] == ( int )( 123 - i ) );
		CHECK( seen_addr[ i ] == addr[ 123 - i ] );
	}
	CHECK( item_size() == 0 );
	CHECK( item_at( 0 ) == NULL );

	/* Empty now, with the block still held. */
	seen_count = 0;
	item_pop_back();
	item_touch_pop_back( record );
	CHECK( seen_count == 0 );
	CHECK( item_size() == 0 );

	push_ids( 0, 1 );
	CHECK( alloc_calloc_calls == callocs );
	CHECK( item_at( 0 ) == addr[ 0 ] );
	CHECK( holds_item( 0, 0 ) );
	item_clear();
}

/* touch_clear shows fn every element from the last to the first, then
 * frees the block. */
static void
touch_clear_order( void )
{
	unsigned long callocs;
	unsigned long reallocs;
	const Item *addr[ 5 ];
	int i;

	push_ids( 0, 5 );
	for ( i = 0; i < 5; i++ ) addr[ i ] = item_at( ( size_t )i );
	seen_count = 0;
	item_touch_clear( record );
	CHECK( seen_count == 5 );
	for ( i = 0; i < 5; i++ ) {
		CHECK( seen_ids[ i ] == 4 - i );
		CHECK( seen_addr[ i ] == addr[ 4 - i ] );
	}
	CHECK( item_size() == 0 );
	CHECK( item_at( 0 ) == NULL );

	callocs = alloc_calloc_calls;
	reallocs = alloc_realloc_calls;
	push_ids( 0, 1 );
	CHECK( alloc_calloc_calls == callocs + 1 );
	CHECK( alloc_calloc_last_count == 128 );
	CHECK( alloc_realloc_calls == reallocs );

	/* touch_clear with no callback, on a container that holds a block. */
	item_touch_clear( NULL );
	CHECK( item_size() == 0 );
	push_ids( 0, 1 );
	CHECK( alloc_calloc_calls == callocs + 2 );
	item_clear();
}

int
main( void )
{
	empty_container();
	appends_and_growth();
	addresses_until_growth();
	push_back_own_elements();
	at_bounds();
	pops_full_and_empty();
	touch_clear_order();
	return checks_passed( "container_test" );
}
