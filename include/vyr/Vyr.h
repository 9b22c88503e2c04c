/// @file
/// Everything an application needs to use the VyrComponents controls.
#pragma once

#include "vyr/CharSet.h"
#include "vyr/EditMatrix.h"
#include "vyr/host/Backend.h"
#include "vyr/host/Component.h"
#include "vyr/host/Controls.h"
#include "vyr/host/Graphics.h"
#include "vyr/host/Threads.h"
#include "vyr/host/Types.h"
