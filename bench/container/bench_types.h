/* The element types of the container benchmark. tavrik only names this file;
   the generated modules and the hand-written baselines include it. */
#ifndef BENCH_TYPES_H
#define BENCH_TYPES_H

#include <stddef.h>

/* 8 bytes: the "small element" of the push_back and scan runs, value key id. */
typedef struct {
	int id;
	int payload;
} Small;

/* 256 bytes: the "large element" of the second push_back run; no key. */
typedef struct {
	int id;
	int payload[63];
} Wide;

/* 20 bytes, string key name. */
typedef struct {
	char name[16];
	int payload;
} Named;

#endif
