/* String key held in a char array. */
#ifndef PERSON_H
#define PERSON_H

#include <stddef.h>

typedef struct {
	char name[24];
	int age;
} Person;

#endif
