#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#define ALLOC_HOOK_NO_MACROS
#include "alloc_hook.h"
#include "test_support.h"

static unsigned long checks_run = 0;

void
check_that( int ok, const char *what, const char *file, int line )
{
	checks_run++;
	if ( !ok ) {
		fprintf( stderr, "%s:%d: check failed: %s\n", file, line, what );
		exit( 1 );
	}
}

int
checks_passed( const char *program )
{
	printf( "%s: %lu checks passed\n", program, checks_run );
	return 0;
}

unsigned long alloc_calloc_calls = 0;
size_t alloc_calloc_last_count = 0;
size_t alloc_calloc_last_size = 0;
unsigned long alloc_realloc_calls = 0;
size_t alloc_realloc_last_bytes = 0;
int alloc_fail = 0;

/* Byte sizes of the live blocks handed out, so that realloc can move a
 * block: one entry per block, a handful of modules at most.  Addresses are
 * kept scrambled so that this table does not make a block the module has
 * lost look reachable to the leak checkers. */
#define BLOCK_NOTES 16
#define SCRAMBLE ( ( size_t )-1 / 3 )
static size_t note_key[ BLOCK_NOTES ];
static size_t note_bytes[ BLOCK_NOTES ];

static size_t
key_of( const void *block )
{
	return ( size_t )block ^ SCRAMBLE;
}

static void
forget_block( const void *block )
{
	int i;
	for ( i = 0; i < BLOCK_NOTES; i++ )
		if ( note_key[ i ] == key_of( block ) ) note_key[ i ] = 0;
}

static void
remember_block( void *block, size_t bytes )
{
	int i;
	/* A freed block's address can come back; its old entry is stale. */
	forget_block( block );
	for ( i = 0; i < BLOCK_NOTES; i++ ) {
		if ( note_key[ i ] == 0 ) {
			note_key[ i ] = key_of( block );
			note_bytes[ i ] = bytes;
			return;
		}
	}
	fprintf( stderr, "test_support: too many live blocks\n" );
	exit( 1 );
}

void *
test_calloc( size_t count, size_t size )
{
	void *block;
	alloc_calloc_calls++;
	alloc_calloc_last_count = count;
	alloc_calloc_last_size = size;
	if ( alloc_fail ) return NULL;
	block = calloc( count, size );
	if ( block != NULL ) remember_block( block, count * size );
	return block;
}

/* Always moves the block: a caller that kept using the old address would
 * touch freed memory, which the sanitizers and valgrind report. */
void *
test_realloc( void *block, size_t bytes )
{
	void *moved;
	size_t old_bytes = 0;
	int i;
	alloc_realloc_calls++;
	alloc_realloc_last_bytes = bytes;
	if ( alloc_fail ) return NULL;
	for ( i = 0; i < BLOCK_NOTES; i++ )
		if ( block != NULL && note_key[ i ] == key_of( block ) ) break;
	if ( block != NULL && i == BLOCK_NOTES ) {
		fprintf( stderr, "test_support: realloc of a block not handed out\n" );
		exit( 1 );
	}
	if ( block != NULL ) old_bytes = note_bytes[ i ];
	moved = malloc( bytes == 0 ? 1 : bytes );
	if ( moved == NULL ) return NULL;
	if ( block != NULL ) {
		memcpy( moved, block, old_bytes < bytes ? old_bytes : bytes );
		forget_block( block );
		free( block );
	}
	remember_block( moved, bytes );
	return moved;
}
