/* Hand-written C arrays grown with realloc: what a C programmer would write
   instead of the generated module. Compiled as C, like the generated code. */
#ifndef C_ARRAY_H
#define C_ARRAY_H

#include "bench_types.h"

#ifdef __cplusplus
extern "C" {
#endif

int c_small_push( const Small *p_item );
void c_small_free( void );
size_t c_small_size( void );
Small *c_small_data( void );
void c_small_sort( void );
Small *c_small_bsearch( const Small *p_key );

int c_wide_push( const Wide *p_item );
void c_wide_free( void );
size_t c_wide_size( void );
Wide *c_wide_data( void );

int c_named_push( const Named *p_item );
void c_named_free( void );
void c_named_sort( void );
Named *c_named_bsearch( const Named *p_key );

#ifdef __cplusplus
}
#endif

#endif
