/* Items with recognisable contents for the programs that use the Item
 * module: element i of a filled container is the item made from id i. */
#ifndef ITEM_SUPPORT_H
#define ITEM_SUPPORT_H

#include <stddef.h>

#include "item_mgr.h"

Item make_item( int id );

/* Whether element i is there and equals the item made from id. */
int holds_item( size_t i, int id );

/* Appends the items made from ids from .. to - 1, checking each append. */
void push_ids( int from, int to );

#endif
