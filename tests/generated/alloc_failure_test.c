/* A generated module (structure Item) when calloc or realloc fails: the
 * append reports -1, the container keeps what it held, and appending works
 * again once memory is back.  Each failure also writes the module's
 * "memory allocation error" line on stderr; that output is expected. */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "item_mgr.h"
#include "item_support.h"
#include "test_support.h"

/* The first allocation fails: nothing is stored, and the module is back in
 * its no-block state, so each later append asks for a fresh block again
 * instead of writing through a NULL block. */
static void
first_allocation_fails( void )
{
	Item it = make_item( 7 );
	Item *p = NULL;

	alloc_fail = 1;
	CHECK( item_push_back( &it ) == -1 );
	CHECK( alloc_calloc_calls == 1 );
	CHECK( item_size() == 0 );
	CHECK( item_at( 0 ) == NULL );
	CHECK( item_find( &p ) == 0 );
	CHECK( p == NULL );

	CHECK( item_push_back( &it ) == -1 );
	CHECK( alloc_calloc_calls == 2 );
	CHECK( item_size() == 0 );

	alloc_fail = 0;
	CHECK( item_push_back( &it ) == 0 );
	CHECK( alloc_calloc_calls == 3 );
	CHECK( alloc_calloc_last_count == 128 );
	CHECK( alloc_calloc_last_size == sizeof( Item ) );
	CHECK( item_size() == 1 );
	CHECK( holds_item( 0, 7 ) );
	CHECK( alloc_realloc_calls == 0 );
	item_clear();
}

/* The doubling realloc fails with 127 elements in the first block: they all
 * stay readable, the capacity is the old block's again (the next append
 * retries the realloc rather than writing past the block), and with memory
 * back the append succeeds and later growth keeps doubling. */
static void
reallocation_fails( void )
{
	unsigned long reallocs = alloc_realloc_calls;
	Item it = make_item( 127 );
	size_t i;

	push_ids( 0, 127 );
	CHECK( item_size() == 127 );
	CHECK( alloc_realloc_calls == reallocs );

	alloc_fail = 1;
	CHECK( item_push_back( &it ) == -1 );
	CHECK( alloc_realloc_calls == reallocs + 1 );
	CHECK( alloc_realloc_last_bytes == 256 * sizeof( Item ) );
	CHECK( item_size() == 127 );
	CHECK( item_at( 127 ) == NULL );
	for ( i = 0; i < 127; i++ ) CHECK( holds_item( i, ( int )i ) );

	CHECK( item_push_back( &it ) == -1 );
	CHECK( alloc_realloc_calls == reallocs + 2 );
	CHECK( alloc_realloc_last_bytes == 256 * sizeof( Item ) );
	CHECK( item_size() == 127 );

	alloc_fail = 0;
	CHECK( item_push_back( &it ) == 0 );
	CHECK( alloc_realloc_calls == reallocs + 3 );
	CHECK( alloc_realloc_last_bytes == 256 * sizeof( Item ) );
	CHECK( item_size() == 128 );
	for ( i = 0; i < 128; i++ ) CHECK( holds_item( i, ( int )i ) );

	push_ids( 128, 255 );
	CHECK( alloc_realloc_calls == reallocs + 3 );
	push_ids( 255, 256 );
	CHECK( alloc_realloc_calls == reallocs + 4 );
	CHECK( alloc_realloc_last_bytes == 512 * sizeof( Item ) );
	for ( i = 0; i < 256; i++ ) CHECK( holds_item( i, ( int )i ) );

	item_clear();
	CHECK( item_size() == 0 );
}

int
main( void )
{
	first_allocation_fails();
	reallocation_fails();
	return checks_passed( "alloc_failure_test" );
}
