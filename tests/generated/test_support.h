/* Assert-style checks for the generated-module programs: the first failed
 * check reports where it is and ends the program with status 1. */
#ifndef TEST_SUPPORT_H
#define TEST_SUPPORT_H

#define CHECK( cond ) check_that( ( cond ) ? 1 : 0, #cond, __FILE__, __LINE__ )

void check_that( int ok, const char *what, const char *file, int line );

/* Ends a program that passed every check. */
int checks_passed( const char *program );

#endif
