#pragma once
// Work split over threads: page playback, the parts' reading and the
// compression of the PDF update.
#include <functional>

// Runs work(0) .. work(count - 1) side by side, the first in the calling
// thread, and rethrows the first failure in order once all have ended.
void RunSideBySide(int count, const std::function<void(int)>& work);
