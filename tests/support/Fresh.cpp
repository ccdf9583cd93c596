#include "support/Fresh.h"
