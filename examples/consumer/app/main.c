/* Uses the three modules that tavrik writes at build time (two from the
   libraries of model/, one generated for this program) and checks what their
   functions promise; the exit status is the number of failures. */
#include <stdio.h>
#include <string.h>

#include "part_mgr.h"
#include "point_mgr.h"
#include "bin.h"
#include "report.h"

static Part make_part( long number, const char *name, int stock )
{
	Part part;
	memset( &part, 0, sizeof part );
	part.number = number;
	strncpy( part.name, name, sizeof part.name - 1 );
	part.stock = stock;
	return part;
}

static int in_stock( Part *p_part )
{
	return p_part->stock > 0;
}

static long seen[8];
static int n_seen = 0;

static void note_number( Part *p_part )
{
	if ( n_seen < 8 ) seen[n_seen] = p_part->number;
	n_seen++;
}

static void check_parts( void )
{
	static const long numbers[] = { 30, 10, 20, 40 };
	static const char *const names[] = { "gear", "bolt", "nut", "shaft" };
	static const int stocks[] = { 0, 5, 0, 7 };
	Part key;
	Part *p_hit = NULL;
	size_t i;
	int ok = 1;

	for ( i = 0; i < 4; i++ ) {
		Part part = make_part( numbers[i], names[i], stocks[i] );
		if ( part_push_back( &part ) != 0 ) ok = 0;
	}
	report( "part_push_back stores four parts", ok && part_size() == 4 );

	part_sort();
	ok = 1;
	for ( i = 0; i < 4; i++ )
		if ( part_at( i )->number != ( long )( 10 * ( i + 1 ) ) ) ok = 0;
	report( "part_sort orders by number", ok );
	report( "part_at past the end is NULL", part_at( 4 ) == NULL );

	key = make_part( 20, "", 0 );
	p_hit = part_bsearch( &key );
	report( "part_bsearch finds number 20", p_hit != NULL && strcmp( p_hit->name, "nut" ) == 0 );
	key.number = 25;
	report( "part_bsearch misses number 25", part_bsearch( &key ) == NULL );

	ok = part_findfirst( in_stock, &p_hit ) == 1 && p_hit->number == 10;
	ok = ok && part_findnext( in_stock, &p_hit ) == 1 && p_hit->number == 40;
	ok = ok && part_findnext( in_stock, &p_hit ) == 0 && p_hit->number == 40;
	report( "part_findfirst/findnext visit the parts in stock", ok );

	n_seen = 0;
	part_transform_if( in_stock, note_number );
	report( "part_transform_if calls only for parts in stock",
	        n_seen == 2 && seen[0] == 10 && seen[1] == 40 );

	n_seen = 0;
	part_touch_clear( note_number );
	report( "part_touch_clear sees every part, last first",
	        n_seen == 4 && seen[0] == 40 && seen[3] == 10 && part_size() == 0 );
}

static Bin make_bin( const char *code, int row )
{
	Bin bin;
	memset( &bin, 0, sizeof bin );
	strncpy( bin.code, code, sizeof bin.code - 1 );
	bin.row = row;
	return bin;
}

static void check_bins( void )
{
	static const char *const codes[] = { "C3", "A1", "B2" };
	Bin key;
	Bin *p_hit;
	size_t i;

	for ( i = 0; i < 3; i++ ) {
		Bin bin = make_bin( codes[i], ( int )i + 1 );
		bin_push_back( &bin );
	}
	bin_sort();
	report( "bin_sort orders by code",
	        strcmp( bin_at( 0 )->code, "A1" ) == 0 && strcmp( bin_at( 2 )->code, "C3" ) == 0 );
	key = make_bin( "C3", 0 );
	p_hit = bin_bsearch( &key );
	report( "bin_bsearch finds code C3", p_hit != NULL && p_hit->row == 1 );
	key = make_bin( "Z9", 0 );
	report( "bin_bsearch misses code Z9", bin_bsearch( &key ) == NULL );
	bin_clear();
	report( "bin_clear empties the bins", bin_size() == 0 );
}

static void check_points( void )
{
	static const int ids[] = { 7, 3, 5 };
	Point point;
	Point *p_hit;
	size_t i;

	memset( &point, 0, sizeof point );
	for ( i = 0; i < 3; i++ ) {
		point.id = ids[i];
		point.x = ( double )i;
		point_push_back( &point );
	}
	point_sort();
	report( "point_sort orders by id", point_at( 0 )->id == 3 && point_at( 2 )->id == 7 );
	point.id = 7;
	p_hit = point_bsearch( &point );
	report( "point_bsearch finds id 7", p_hit != NULL && p_hit->x == 0.0 );
	point_clear();
	report( "point_clear empties the points", point_size() == 0 );
}

int main( void )
{
	check_parts();
	check_points();
	check_bins();
	printf( "app: %d failed\n", report_failures() );
	return report_failures();
}
