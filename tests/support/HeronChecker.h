// The structural checker of Heron output files is the product's own
// (fileinfo/HeronCheck.h, the checker behind kestrel-info --check); the tests
// reach it under its old name.
#pragma once

#include "HeronCheck.h"
