#include "bioapi_data/bir.h"
