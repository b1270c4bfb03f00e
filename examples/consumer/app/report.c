/* Knows nothing of the generated modules: editing part.h must not rebuild it. */
#include <stdio.h>

#include "report.h"

static int n_failures = 0;

void report( const char *what, int ok )
{
	printf( "%s %s\n", ok ? "ok  " : "FAIL", what );
	if ( !ok ) n_failures++;
}

int report_failures( void )
{
	return n_failures;
}
