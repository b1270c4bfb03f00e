/* A storage bin, keyed by its code; the generated bin.h includes this
   header as "shelf/bin.h", exactly as named after INCLUDE. */
#ifndef SHELF_BIN_H
#define SHELF_BIN_H

#include <stddef.h>

typedef struct {
	char code[8];
	int row;
} Bin;

#endif
