#pragma once
// The picture-frame filter classes, declared to LXFilterConstructor so that
// they can be created by name. `filters` does not know this library: the
// application and the tests call this once, after registerKitFilterClasses().

void registerFrameClasses();
