/* Allocation hook for the generated modules under test.
 *
 * The generated source includes the programmer's include file after
 * <stdlib.h>, so an include file that pulls this in routes the module's
 * calloc and realloc to the wrappers in test_support.c.  The wrappers count
 * every call, remember the sizes asked for, fail on demand and make every
 * successful realloc move the block, so a stale pointer is caught by the
 * sanitizers.  Code that must see the real functions (the wrappers
 * themselves, the static analysers) defines ALLOC_HOOK_NO_MACROS. */
#ifndef ALLOC_HOOK_H
#define ALLOC_HOOK_H

#include <stddef.h>

void *test_calloc( size_t count, size_t size );
void *test_realloc( void *block, size_t bytes );

/* Counters since the program started; failed calls are counted too. */
extern unsigned long alloc_calloc_calls;
extern size_t alloc_calloc_last_count;
extern size_t alloc_calloc_last_size;
extern unsigned long alloc_realloc_calls;
extern size_t alloc_realloc_last_bytes;

/* While non-zero, every wrapper call fails and returns NULL. */
extern int alloc_fail;

#ifndef ALLOC_HOOK_NO_MACROS
#define calloc test_calloc
#define realloc test_realloc
#endif

#endif
