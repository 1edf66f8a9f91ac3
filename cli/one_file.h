// Converting one file as tarnel-cli does, for the single and the batch form: the checks before a
// run, the run, and its outcome in the user's words.
#pragma once

#include <cstdio>
#include <string>

#include "cli/cli_options.h"
#include "codec/conversion.h"

// Runs one conversion from sSource to sDestination with the options' coder settings.
ConversionOutcome ConvertOneFile(const CliOptions& options, const std::string& sSource,
                                 const std::string& sDestination);

// Why a file cannot be read as an input (missing, a folder, not ours to read); empty when it can.
std::string SourceFault(const std::string& sPath);
// Why an output cannot be written at this path (a folder, in a folder that is not there); empty
// when it may be tried.
std::string DestinationFault(const std::string& sPath);

// The line "tarnel-cli: FILE: what\n", and that line printed on err.
std::string Complaint(const std::string& sFile, const std::string& sWhat);
void Complain(std::FILE* err, const std::string& sFile, const std::string& sWhat);
// "tarnel-cli: what is wrong", for a problem that is no one file's.
void Complain(std::FILE* err, const std::string& sWhat);

// What the user is told of an outcome, a line "tarnel-cli: FILE: ..." per message: libjpeg's
// notes as they are, its warnings labelled as warnings, an error with its words (a bitmap
// reader's code in words, the code in brackets); empty after a clean run.
std::string OutcomeReport(const ConversionOutcome& outcome, const std::string& sFile);

// Whether an outcome is a conversion with warnings: notes alone are none, as for cjpeg.
bool HasWarnings(const ConversionOutcome& outcome);
