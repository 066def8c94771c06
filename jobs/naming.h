#pragma once
// Output file names of CD tracks: the naming rule with its variables, the
// replacement of characters that cannot stand in file names, and the check
// of a rule typed on the options page.
#include <string>

#include "jobs/job.h"
#include "jobs/job_options.h"

// Applies the replacement table ("ReplaceStr01".."ReplaceStr10") in order,
// each entry replacing every occurrence of its character.
std::string ReplaceIllegalChars(const std::string& text, const NAMING_OPTIONS& naming);

// folder + "\" + the rule with its variables replaced + extension; creates
// the sub-folders the rule names. Each variable is replaced in one pass over
// the rule, so substituted text is never scanned again.
std::string BuildOutputPath(const CJobItem& item, const std::string& folder, const std::string& extension,
                            const NAMING_OPTIONS& naming);

// Empty becomes "<title>"; false for a rule with no variable at all.
bool CheckNamingRule(std::string& rule);
