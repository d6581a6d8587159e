#pragma once
#include "query/Reaches.h"
