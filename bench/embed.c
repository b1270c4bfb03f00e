/* Writes a C header holding the bytes of the two generated files, so the
   floor program can write them back without reading anything.
   Usage: embed HEADER_FILE SOURCE_FILE > floor_data.h */
#include <stdio.h>

static int dump( const char *name, const char *path )
{
	FILE *in = fopen( path, "rb" );
	int c;
	long n = 0;
	if ( in == NULL ) {
		fprintf( stderr, "embed: cannot open %s\n", path );
		return 1;
	}
	printf( "static const unsigned char %s[] = {", name );
	while ( ( c = getc( in ) ) != EOF )
		printf( "%s%s%d", n ? "," : "", n % 20 ? "" : "\n\t", c ), n++;
	printf( "\n};\n" );
	fclose( in );
	return 0;
}

int main( int argc, char **argv )
{
	if ( argc != 3 ) {
		fprintf( stderr, "usage: embed HEADER_FILE SOURCE_FILE\n" );
		return 2;
	}
	if ( dump( "header_bytes", argv[1] ) || dump( "source_bytes", argv[2] ) ) return 1;
	return 0;
}
