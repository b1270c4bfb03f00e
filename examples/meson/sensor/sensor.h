/* A sensor reading, kept in the module that tavrik writes from this header. */
#ifndef SENSOR_H
#define SENSOR_H

#include <stddef.h>

typedef struct {
	int id;
	double value;
} Sensor;

#endif
