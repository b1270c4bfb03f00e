/* clear on a container holding more elements than an int can count must
 * still empty it: otherwise the count survives the freed block and the next
 * push_back writes far past a fresh 128-element one.  Pushing 2^31 elements
 * would take gigabytes, so this program includes the generated source and
 * sets the count directly; pops without a callback never read the elements. */
#include <limits.h>

#include "note_mgr.c"
#include "test_support.h"

int main( void )
{
	Note note;
	note.n = 1;
	note.seen = 0;

	CHECK( note_push_back( &note ) == 0 );
	n_vec_size = ( size_t )INT_MAX + 2;
	note_clear();
	CHECK( note_size() == 0 );
	CHECK( note_at( 0 ) == NULL );

	CHECK( note_push_back( &note ) == 0 );
	CHECK( note_size() == 1 );
	CHECK( note_at( 0 )->n == 1 );
	note_clear();
	return checks_passed( "clear_count_test" );
}
