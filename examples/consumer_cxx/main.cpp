// Calls the generated module from C++; the exit status is the number of
// failed checks.
#include <cstdio>
#include <cstring>

#include "contact_mgr.h"

static int failures = 0;

static void check( const char *what, bool ok )
{
	std::printf( "%s %s\n", ok ? "ok  " : "FAIL", what );
	if ( !ok ) failures++;
}

static Contact make_contact( const char *name, int age )
{
	Contact contact;
	std::memset( &contact, 0, sizeof contact );
	std::strncpy( contact.name, name, sizeof contact.name - 1 );
	contact.age = age;
	return contact;
}

int main()
{
	const char *const names[] = { "mira", "anton", "zoe" };
	for ( int i = 0; i < 3; i++ ) {
		Contact contact = make_contact( names[i], 20 + i );
		contact_push_back( &contact );
	}
	contact_sort();
	check( "contact_sort orders by name",
	       std::strcmp( contact_at( 0 )->name, "anton" ) == 0 &&
	       std::strcmp( contact_at( 2 )->name, "zoe" ) == 0 );
	Contact key = make_contact( "mira", 0 );
	Contact *p_hit = contact_bsearch( &key );
	check( "contact_bsearch finds mira", p_hit != nullptr && p_hit->age == 20 );
	contact_clear();
	check( "contact_clear empties the contacts", contact_size() == 0 );
	std::printf( "consumer_cxx: %d failed\n", failures );
	return failures;
}
