/* Mixed-case structure name: functions are itemrec_..., the type ItemRec. */
#ifndef ITEMREC_H
#define ITEMREC_H

#include <stddef.h>

typedef struct {
	long code;
	int visits;
} ItemRec;

#endif
