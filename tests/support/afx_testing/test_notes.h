#pragma once

#include <string>
#include <vector>

#include "afx_testing_api.h"

// A process-wide journal in which modules built for the tests note what happened while they
// were loaded and unloaded, for the test program to read back.
AFX_TESTING_API void AfxTestNote(const std::string& note);

// The notes made since the last call, oldest first; the journal is empty afterwards.
AFX_TESTING_API std::vector<std::string> AfxTestTakeNotes();
