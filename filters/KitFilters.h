#pragma once
// The kit's filter classes, declared to LXFilterConstructor so that they can
// be created by name. Listed explicitly: a static library drops classes that
// nothing references.

void registerKitFilterClasses();
