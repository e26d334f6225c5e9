#pragma once
#include "ScriptedBoxes.h"

// The boxes of the test run's application object.
ScriptedBoxes& ApplicationBoxes();
