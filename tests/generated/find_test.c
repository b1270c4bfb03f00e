/* The find cursor of a generated module without a key (structure Note), and
 * transform/transform_if on a module for the mixed-case name ItemRec.
 * The cursor is module state, so the order of the steps below matters.
 *
 * The ItemRec module is generated with the suffix ".gen": its guard must be
 * the one macro ITEMREC_GEN_H, not a macro ITEMREC that would replace this
 * program's own identifier of that name. */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

enum { ITEMREC = 7 };

#include "note_mgr.h"
#include "itemrec.gen.h"
#include "test_support.h"

#ifndef ITEMREC_GEN_H
#error "itemrec.gen.h does not define its guard ITEMREC_GEN_H"
#endif

static int filter_calls = 0;

static int
accept_none( Note *p )
{
	( void )p;
	filter_calls++;
	return 0;
}

static int
accept_even( Note *p )
{
	filter_calls++;
	return p->n % 2 == 0;
}

static int
accept_nine( Note *p )
{
	return p->n == 9;
}

static int
accept_five( Note *p )
{
	return p->n == 5;
}

static void
push_notes( int count )
{
	int n;
	for ( n = 0; n < count; n++ ) {
		Note note;
		note.n = n;
		note.seen = 0;
		CHECK( note_push_back( &note ) == 0 );
	}
}

/* *pp is the address of element i. */
static int
points_at( Note *p, size_t i )
{
	return p != NULL && p == note_at( i ) && p->n == ( int )i;
}

static void
find_on_empty( void )
{
	Note sentinel;
	Note *p = &sentinel;

	CHECK( note_find( &p ) == 0 );
	CHECK( note_findfirst( NULL, &p ) == 0 );
	CHECK( note_findfirst( accept_even, &p ) == 0 );
	CHECK( note_findnext( NULL, &p ) == 0 );
	CHECK( p == &sentinel );
}

static void
find_cursor( void )
{
	Note sentinel;
	Note *p;
	int expected;

	push_notes( 10 );

	/* No findfirst has hit yet: the cursor is 0, so findnext starts at 1. */
	p = NULL;
	CHECK( note_findnext( NULL, &p ) == 1 );
	CHECK( points_at( p, 1 ) );

	/* A filter that accepts nothing is asked about every element and
	 * leaves both *pp and the cursor alone. */
	p = &sentinel;
	filter_calls = 0;
	CHECK( note_findfirst( accept_none, &p ) == 0 );
	CHECK( filter_calls == 10 );
	CHECK( p == &sentinel );
	CHECK( note_findnext( NULL, &p ) == 1 );
	CHECK( points_at( p, 2 ) );

	/* findfirst then findnext visit each match once, in index order. */
	CHECK( note_findfirst( accept_even, &p ) == 1 );
	CHECK( points_at( p, 0 ) );
	for ( expected = 2; expected < 10; expected += 2 ) {
		CHECK( note_findnext( accept_even, &p ) == 1 );
		CHECK( points_at( p, ( size_t )expected ) );
	}
	CHECK( note_findnext( accept_even, &p ) == 0 );
	CHECK( points_at( p, 8 ) );
	CHECK( note_findnext( accept_even, &p ) == 0 );
	CHECK( points_at( p, 8 ) );

	/* After a hit on the last element there is nothing next. */
	CHECK( note_findfirst( accept_nine, &p ) == 1 );
	CHECK( points_at( p, 9 ) );
	p = &sentinel;
	CHECK( note_findnext( NULL, &p ) == 0 );
	CHECK( p == &sentinel );

	/* find is findfirst with no filter and so sets the cursor to 0. */
	CHECK( note_find( &p ) == 1 );
	CHECK( points_at( p, 0 ) );
	CHECK( note_findnext( NULL, &p ) == 1 );
	CHECK( points_at( p, 1 ) );

	/* The cursor belongs to the module, not to a filter. */
	CHECK( note_findfirst( accept_even, &p ) == 1 );
	CHECK( note_findnext( accept_nine, &p ) == 1 );
	CHECK( points_at( p, 9 ) );

	/* clear leaves the cursor where it was. */
	CHECK( note_findfirst( accept_five, &p ) == 1 );
	note_clear();
	CHECK( note_findnext( NULL, &p ) == 0 );
	push_notes( 10 );
	CHECK( note_findnext( NULL, &p ) == 1 );
	CHECK( points_at( p, 6 ) );
	note_clear();
}

/* Transform: which elements fn is called on, and in which order. */
#define CALLS_MAX 16
static const ItemRec *fn_saw[ CALLS_MAX ];
static int fn_calls = 0;
static const ItemRec *flt_saw[ CALLS_MAX ];
static int flt_calls = 0;

static void
visit( ItemRec *p )
{
	CHECK( fn_calls < CALLS_MAX );
	fn_saw[ fn_calls++ ] = p;
	p->visits++;
}

static int
odd_code( ItemRec *p )
{
	CHECK( flt_calls < CALLS_MAX );
	flt_saw[ flt_calls++ ] = p;
	return p->code % 2 != 0;
}

static void
transforms( void )
{
	long code;
	size_t i;

	itemrec_transform( visit );
	itemrec_transform_if( NULL, visit );
	itemrec_transform_if( odd_code, visit );
	CHECK( fn_calls == 0 );
	CHECK( flt_calls == 0 );

	for ( code = 1; code <= 6; code++ ) {
		ItemRec rec;
		rec.code = code;
		rec.visits = 0;
		CHECK( itemrec_push_back( &rec ) == 0 );
	}

	itemrec_transform( visit );
	CHECK( fn_calls == 6 );
	for ( i = 0; i < 6; i++ ) {
		CHECK( fn_saw[ i ] == itemrec_at( i ) );
		CHECK( itemrec_at( i )->visits == 1 );
	}

	/* The filter sees every element in order, fn only the accepted ones. */
	fn_calls = 0;
	itemrec_transform_if( odd_code, visit );
	CHECK( flt_calls == 6 );
	for ( i = 0; i < 6; i++ ) CHECK( flt_saw[ i ] == itemrec_at( i ) );
	CHECK( fn_calls == 3 );
	CHECK( fn_saw[ 0 ] == itemrec_at( 0 ) );
	CHECK( fn_saw[ 1 ] == itemrec_at( 2 ) );
	CHECK( fn_saw[ 2 ] == itemrec_at( 4 ) );
	for ( i = 0; i < 6; i++ )
		CHECK( itemrec_at( i )->visits == ( i % 2 == 0 ? 2 : 1 ) );

	fn_calls = 0;
	itemrec_transform_if( NULL, visit );
	CHECK( fn_calls == 6 );
	for ( i = 0; i < 6; i++ ) CHECK( fn_saw[ i ] == itemrec_at( i ) );

	/* With the block still held but no elements, nothing is called. */
	for ( i = 0; i < 6; i++ ) itemrec_pop_back();
	fn_calls = 0;
	flt_calls = 0;
	itemrec_transform( visit );
	itemrec_transform_if( odd_code, visit );
	CHECK( fn_calls == 0 );
	CHECK( flt_calls == 0 );
	itemrec_clear();
}

int
main( void )
{
	CHECK( ITEMREC == 7 );
	find_on_empty();
	find_cursor();
	transforms();
	return checks_passed( "find_test" );
}
