#include "test_notes.h"

#include <mutex>
#include <utility>

namespace {
std::mutex notesMutex;

std::vector<std::string>& notes() {
    static std::vector<std::string> journal;
    return journal;
}
}  // namespace

void AfxTestNote(const std::string& note) {
    std::lock_guard<std::mutex> lock(notesMutex);
    notes().push_back(note);
}

std::vector<std::string> AfxTestTakeNotes() {
    std::lock_guard<std::mutex> lock(notesMutex);
    return std::exchange(notes(), {});
}
