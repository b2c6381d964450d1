#pragma once
// The kit's filter classes, declared to LXFilterConstructor so that they can
// be created by name: CIFilter::filterWithName("LXGaussianBlurFilter") works
// once this has run. Listed explicitly: a static library drops classes that
// nothing references. Idempotent; the shared LXFilterConstructor runs it on
// first use. Main thread.

void registerKitFilterClasses();
