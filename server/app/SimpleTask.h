#pragma once

// The tasks sit on the ground floor, where every subsystem can reach them.
#include "core/SimpleTask.h"
