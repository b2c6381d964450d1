#pragma once
// The picture-frame filter classes, declared to LXFilterConstructor so that
// they can be created by name (CIFilter::filterWithName of the class name),
// with the kit's classes registered first. `filters` does not know this
// library: its users (the effects engine, the application) call this before
// creating filters by name. Idempotent. Main thread.

void registerFrameClasses();
