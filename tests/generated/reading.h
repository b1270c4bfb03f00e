/* Value key of type double, generated with the suffix _Mgr. */
#ifndef READING_H
#define READING_H

#include <stddef.h>

typedef struct {
	double value;
	int station;
} Reading;

#endif
