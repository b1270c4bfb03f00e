#include <stdio.h>
#include <string.h>

#include "item_support.h"
#include "test_support.h"

Item
make_item( int id )
{
	Item it;
	memset( &it, 0, sizeof( it ) );
	it.id = id;
	sprintf( it.tag, "t%d", id % 1000 );
	return it;
}

int
holds_item( size_t i, int id )
{
	const Item *p = item_at( i );
	Item expected = make_item( id );
	return p != NULL && p->id == id && strcmp( p->tag, expected.tag ) == 0;
}

void
push_ids( int from, int to )
{
	size_t before = item_size();
	int id;
	for ( id = from; id < to; id++ ) {
		Item it = make_item( id );
		CHECK( item_push_back( &it ) == 0 );
		CHECK( item_size() == before + ( size_t )( id - from ) + 1 );
	}
}
