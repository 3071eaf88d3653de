#pragma once

#include <string>

#include "pages/page_slots.h"

namespace pagemind::app {

// The words for a problem with one of the page memory's files: the system's reason, or for a
// file too large to read, its limit and what such a file cannot be.
std::string ProblemReason(const pages::FileProblem& problem);

// What the start could not read, and that the files it could not read are left on disk.
std::string StartupProblemsMessage(const pages::FileProblems& problems);
// A failed save at the end: the files and reasons, what is kept for the next start, and
// whether to end without saving.
std::string EndWithoutSavingQuestion(const pages::FileProblems& problems,
                                     const pages::KeptPages& kept);

}  // namespace pagemind::app
