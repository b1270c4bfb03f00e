/* No key: the module has no sort and no bsearch of its own. */
#ifndef NOTE_H
#define NOTE_H

#include <stddef.h>

typedef struct {
	int n;
	int seen;
} Note;

#endif
