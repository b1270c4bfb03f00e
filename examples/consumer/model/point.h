/* A point, kept in the point_store library that tavrik_add_library makes. */
#ifndef POINT_H
#define POINT_H

#include <stddef.h>

typedef struct {
	int id;
	double x;
	double y;
} Point;

#endif
