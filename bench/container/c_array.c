/* The realloc-grown C baseline: same first capacity (128) and doubling as the
   generated module, but grown only when full and with the comparisons the
   user would write for qsort/bsearch. */
#include <stdlib.h>
#include <string.h>

#include "c_array.h"

static Small *small_data;
static size_t small_n, small_cap;
static Wide *wide_data;
static size_t wide_n, wide_cap;
static Named *named_data;
static size_t named_n, named_cap;

int c_small_push( const Small *p_item )
{
	if ( small_n == small_cap ) {
		size_t cap = small_cap ? small_cap * 2 : 128;
		Small *p = realloc( small_data, cap * sizeof *p );
		if ( p == NULL ) return -1;
		small_data = p;
		small_cap = cap;
	}
	small_data[small_n++] = *p_item;
	return 0;
}

void c_small_free( void )
{
	free( small_data );
	small_data = NULL;
	small_n = small_cap = 0;
}

size_t c_small_size( void ) { return small_n; }
Small *c_small_data( void ) { return small_data; }

static int small_cmp( const void *p1, const void *p2 )
{
	int a = ( ( const Small * )p1 )->id, b = ( ( const Small * )p2 )->id;
	return ( a > b ) - ( a < b );
}

void c_small_sort( void ) { qsort( small_data, small_n, sizeof *small_data, small_cmp ); }

Small *c_small_bsearch( const Small *p_key )
{
	return bsearch( p_key, small_data, small_n, sizeof *small_data, small_cmp );
}

int c_wide_push( const Wide *p_item )
{
	if ( wide_n == wide_cap ) {
		size_t cap = wide_cap ? wide_cap * 2 : 128;
		Wide *p = realloc( wide_data, cap * sizeof *p );
		if ( p == NULL ) return -1;
		wide_data = p;
		wide_cap = cap;
	}
	wide_data[wide_n++] = *p_item;
	return 0;
}

void c_wide_free( void )
{
	free( wide_data );
	wide_data = NULL;
	wide_n = wide_cap = 0;
}

size_t c_wide_size( void ) { return wide_n; }
Wide *c_wide_data( void ) { return wide_data; }

int c_named_push( const Named *p_item )
{
	if ( named_n == named_cap ) {
		size_t cap = named_cap ? named_cap * 2 : 128;
		Named *p = realloc( named_data, cap * sizeof *p );
		if ( p == NULL ) return -1;
		named_data = p;
		named_cap = cap;
	}
	named_data[named_n++] = *p_item;
	return 0;
}

void c_named_free( void )
{
	free( named_data );
	named_data = NULL;
	named_n = named_cap = 0;
}

static int named_cmp( const void *p1, const void *p2 )
{
	return strcmp( ( ( const Named * )p1 )->name, ( ( const Named * )p2 )->name );
}

void c_named_sort( void ) { qsort( named_data, named_n, sizeof *named_data, named_cmp ); }

Named *c_named_bsearch( const Named *p_key )
{
	return bsearch( p_key, named_data, named_n, sizeof *named_data, named_cmp );
}
