/* Fills the generated Item container, sorts it by id, looks items up and
   walks the cheap ones with a filter. Build it against item_mgr.c. */
#include <stdio.h>
#include <string.h>

#include "item_mgr.h"

static int is_cheap( Item *p_item )
{
	return p_item->price < 5.0;
}

static void print_item( Item *p_item )
{
	printf( "  %3d  %-10s %6.2f\n", p_item->id, p_item->name, p_item->price );
}

int main( void )
{
	static const struct { int id; const char *name; double price; } stock[] = {
		{ 42, "lamp", 19.50 }, { 7, "pencil", 0.80 }, { 19, "notebook", 3.25 },
		{ 3, "stapler", 8.10 }, { 25, "eraser", 0.45 }
	};
	size_t i;
	Item key;
	Item *p_hit;

	for ( i = 0; i < sizeof stock / sizeof stock[0]; i++ ) {
		Item item;
		memset( &item, 0, sizeof item );
		item.id = stock[i].id;
		strcpy( item.name, stock[i].name );
		item.price = stock[i].price;
		if ( item_push_back( &item ) != 0 ) return 1;
	}
	printf( "%lu items stored\n", ( unsigned long )item_size() );

	item_sort();
	printf( "sorted by id:\n" );
	item_transform( print_item );

	key.id = 19;
	p_hit = item_bsearch( &key );
	printf( "bsearch id 19: %s\n", p_hit != NULL ? p_hit->name : "(none)" );
	key.id = 20;
	printf( "bsearch id 20: %s\n", item_bsearch( &key ) != NULL ? "found" : "(none)" );

	printf( "cheaper than 5.00:\n" );
	if ( item_findfirst( is_cheap, &p_hit ) ) {
		do {
			print_item( p_hit );
		} while ( item_findnext( is_cheap, &p_hit ) );
	}

	item_clear();
	printf( "%lu items after clear\n", ( unsigned long )item_size() );
	return 0;
}
