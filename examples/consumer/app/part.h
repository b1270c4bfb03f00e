/* A spare part, kept in the module that tavrik writes from this header. */
#ifndef PART_H
#define PART_H

#include <stddef.h>

typedef struct {
	long number;
	char name[24];
	int stock;
} Part;

#endif
