/* Times two commands against each other: runs them alternately many times
   (so drift on a shared machine hits both alike) and prints, per command, the
   median wall time in microseconds, the peak resident set in KB and the
   median CPU time (user + system) in microseconds, and the median of the
   per-round ratios of wall time, A over B: each round's two runs meet the
   same load, so that ratio is the steadiest on a shared machine.
   Usage: runner RUNS PROGRAM_A [ARGS...] -- PROGRAM_B [ARGS...]
   Output: "<wall_us_a> <wall_us_b> <maxrss_kb_a> <maxrss_kb_b> <cpu_us_a> <cpu_us_b> <ratio>" */
/* wait4 for the child's resource usage. */
#define _DEFAULT_SOURCE
#include <spawn.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/resource.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <time.h>

extern char **environ;

static double now_us( void )
{
	struct timespec ts;
	clock_gettime( CLOCK_MONOTONIC, &ts );
	return ts.tv_sec * 1e6 + ts.tv_nsec / 1e3;
}

/* One run: wall time in microseconds; the child's peak RSS goes to *p_rss
   (the largest seen) and its CPU time to *p_cpu. */
static double run_once( char **argv, long *p_rss, double *p_cpu )
{
	pid_t pid;
	int status;
	struct rusage usage;
	double start = now_us();
	if ( posix_spawn( &pid, argv[0], NULL, NULL, argv, environ ) != 0 ) {
		fprintf( stderr, "runner: cannot start %s\n", argv[0] );
		exit( 2 );
	}
	if ( wait4( pid, &status, 0, &usage ) != pid || !WIFEXITED( status ) || WEXITSTATUS( status ) != 0 ) {
		fprintf( stderr, "runner: %s failed\n", argv[0] );
		exit( 2 );
	}
	if ( usage.ru_maxrss > *p_rss ) *p_rss = usage.ru_maxrss;
	*p_cpu = ( usage.ru_utime.tv_sec + usage.ru_stime.tv_sec ) * 1e6
	         + usage.ru_utime.tv_usec + usage.ru_stime.tv_usec;
	return now_us() - start;
}

static int by_value( const void *p1, const void *p2 )
{
	double a = *( const double * )p1, b = *( const double * )p2;
	return ( a > b ) - ( a < b );
}

static double median( double *values, int n )
{
	qsort( values, n, sizeof values[0], by_value );
	return n % 2 ? values[n / 2] : ( values[n / 2 - 1] + values[n / 2] ) / 2;
}

int main( int argc, char **argv )
{
	int runs, i, split = 0;
	double *t_a, *t_b, *c_a, *c_b, *ratios, ignored;
	long rss_a = 0, rss_b = 0;
	char **cmd_a, **cmd_b;

	for ( i = 2; i < argc; i++ )
		if ( strcmp( argv[i], "--" ) == 0 ) { split = i; break; }
	if ( argc < 5 || split < 3 || split + 1 >= argc || ( runs = atoi( argv[1] ) ) < 1 ) {
		fprintf( stderr, "usage: runner RUNS PROGRAM_A [ARGS...] -- PROGRAM_B [ARGS...]\n" );
		return 2;
	}
	argv[split] = NULL;
	cmd_a = &argv[2];
	cmd_b = &argv[split + 1];
	t_a = malloc( runs * sizeof *t_a );
	t_b = malloc( runs * sizeof *t_b );
	c_a = malloc( runs * sizeof *c_a );
	c_b = malloc( runs * sizeof *c_b );
	ratios = malloc( runs * sizeof *ratios );
	if ( t_a == NULL || t_b == NULL || c_a == NULL || c_b == NULL || ratios == NULL ) return 2;

	/* Warm the page cache and the file system's entries first. */
	for ( i = 0; i < 20; i++ ) {
		run_once( cmd_a, &rss_a, &ignored );
		run_once( cmd_b, &rss_b, &ignored );
	}
	/* Alternate which goes first so neither always follows the other. */
	for ( i = 0; i < runs; i++ ) {
		if ( i % 2 ) {
			t_a[i] = run_once( cmd_a, &rss_a, &c_a[i] );
			t_b[i] = run_once( cmd_b, &rss_b, &c_b[i] );
		} else {
			t_b[i] = run_once( cmd_b, &rss_b, &c_b[i] );
			t_a[i] = run_once( cmd_a, &rss_a, &c_a[i] );
		}
		ratios[i] = t_a[i] / t_b[i];
	}
	printf( "%.1f %.1f %ld %ld %.1f %.1f %.3f\n", median( t_a, runs ), median( t_b, runs ), rss_a, rss_b,
	        median( c_a, runs ), median( c_b, runs ), median( ratios, runs ) );
	free( ratios );
	free( t_a );
	free( t_b );
	free( c_a );
	free( c_b );
	return 0;
}
