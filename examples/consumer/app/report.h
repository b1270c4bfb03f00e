#ifndef REPORT_H
#define REPORT_H

/* Prints one check and counts the failed ones. */
void report( const char *what, int ok );
int report_failures( void );

#endif
