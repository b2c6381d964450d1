#pragma once
// Internal to the image engine: every node kind of the render graph behind
// CIImage and the pass machinery, for code that builds or renders recipes.
// Each kind lives in its own header and source file.

#include "platform/image/EngineBlurs.h"
#include "platform/image/EngineCoarseGrid.h"
#include "platform/image/EngineCompositing.h"
#include "platform/image/EngineGeometry.h"
#include "platform/image/EngineKernels.h"
#include "platform/image/EnginePasses.h"
#include "platform/image/EnginePrecision.h"
#include "platform/image/EngineReductions.h"
#include "platform/image/EngineSources.h"
