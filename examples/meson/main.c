/* Uses the module that the Meson build generates; prints
   "sensor_demo: 0 failed" and exits with 0 when every check passes. */
#include <stdio.h>
#include <string.h>

#include "sensor_mgr.h"

static int failures = 0;

static void check( const char *what, int ok )
{
	printf( "%s %s\n", ok ? "ok  " : "FAIL", what );
	if ( !ok ) failures++;
}

int main( void )
{
	static const int ids[] = { 42, 7, 19 };
	Sensor sensor;
	Sensor *p_hit;
	size_t i;

	memset( &sensor, 0, sizeof sensor );
	for ( i = 0; i < 3; i++ ) {
		sensor.id = ids[i];
		sensor.value = 0.5 * ( double )i;
		sensor_push_back( &sensor );
	}
	sensor_sort();
	check( "sensor_sort orders by id", sensor_at( 0 )->id == 7 && sensor_at( 2 )->id == 42 );
	sensor.id = 19;
	p_hit = sensor_bsearch( &sensor );
	check( "sensor_bsearch finds id 19", p_hit != NULL && p_hit->value == 1.0 );
	sensor_clear();
	check( "sensor_clear empties the readings", sensor_size() == 0 );
	printf( "sensor_demo: %d failed\n", failures );
	return failures;
}
