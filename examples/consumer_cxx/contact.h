// A contact, keyed by name, kept in the contact_store library.
#ifndef CONTACT_H
#define CONTACT_H

#include <stddef.h>

struct Contact {
	char name[16];
	int age;
};

#endif
