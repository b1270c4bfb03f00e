/* An example record: tavrik only names this file, it never reads it. */
#ifndef ITEM_H
#define ITEM_H

#include <stddef.h>

typedef struct {
	int id;
	char name[32];
	double price;
} Item;

#endif
