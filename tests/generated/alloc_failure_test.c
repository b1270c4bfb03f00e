/* A generated module (structure Item) when calloc or realloc fails, or when
 * the grown block's size would not fit a size_t: the append reports -1, the
 * container keeps what it held, and appending works again once memory is
 * back.  Each failure also writes the module's "memory allocation error"
 * line on stderr; that output is expected.
 *
 * A capacity near SIZE_MAX cannot be reached by appending, so this program
 * includes the generated source and sets its state directly. */
#include "item_mgr.c"

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

/* Sets a capacity, with its block full, whose growth cannot be allocated:
 * push_back fails without asking realloc for a wrapped size (the hook would
 * fail the call, so a broken guard shows as a realloc count), and the block
 * and its elements stay as they were. */
static void
growth_fails_at( size_t capacity )
{
	unsigned long reallocs = alloc_realloc_calls;
	Item *block = p_vec_top;
	size_t size = n_vec_size;
	size_t max_size = n_vec_max_size;
	Item it = make_item( 9 );

	n_vec_max_size = capacity;
	n_vec_size = capacity - 1;
	alloc_fail = 1;
	CHECK( item_push_back( &it ) == -1 );
	alloc_fail = 0;
	CHECK( alloc_realloc_calls == reallocs );
	CHECK( p_vec_top == block );
	CHECK( n_vec_size == capacity - 1 );
	CHECK( n_vec_max_size == capacity );

	n_vec_size = size;
	n_vec_max_size = max_size;
}

/* Doubling the capacity wraps to 0, or the doubled capacity times
 * sizeof( Item ) overflows. */
static void
growth_would_overflow( void )
{
	size_t i;

	push_ids( 0, 3 );
	growth_fails_at( ( size_t )-1 / 2 + 1 );
	growth_fails_at( ( size_t )-1 / sizeof( Item ) / 2 + 1 );
	for ( i = 0; i < 3; i++ ) CHECK( holds_item( i, ( int )i ) );

	push_ids( 3, 200 );
	for ( i = 0; i < 200; i++ ) CHECK( holds_item( i, ( int )i ) );
	item_clear();
}

int
main( void )
{
	first_allocation_fails();
	reallocation_fails();
	growth_would_overflow();
	return checks_passed( "alloc_failure_test" );
}
