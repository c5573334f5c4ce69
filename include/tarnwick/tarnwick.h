#pragma once

// Every public header of the library.

#include <tarnwick/core/Conversion.h>
#include <tarnwick/core/Export.h>
#include <tarnwick/core/MainBaseClass.h>
#include <tarnwick/core/ServiceException.h>

#include <tarnwick/datatypes/ParamType.h>
#include <tarnwick/datatypes/ServiceType.h>

#include <tarnwick/threading/Mutex.h>
#include <tarnwick/threading/MutexLock.h>
