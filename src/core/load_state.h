// Whether a generating set carries the load, from the states its controller reports. A command
// that would drop a load (STOP, OFF) asks first while it does.
#pragma once

namespace vorel {

class SiteImages;

// The set is on load: its state is "Loaded" (or "Loaded A" on type 3102), or the transfer
// switch has closed the generator's breaker (GCB, GCB_A or GCB_B close).
bool GeneratorOnLoad(const SiteImages& images, int site);

}  // namespace vorel
