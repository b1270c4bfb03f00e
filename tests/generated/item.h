/* Value key of type int; its module's allocations go through the hook. */
#ifndef ITEM_H
#define ITEM_H

#include <stddef.h>
#include "alloc_hook.h"

typedef struct {
	int id;
	char tag[8];
} Item;

#endif
