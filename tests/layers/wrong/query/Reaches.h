// A deliberate wrong include: the query generators must not reach up into the window.
#pragma once
#include "builder/Window.h"
