// One file's conversion for tarnel-cli, and its outcome as lines of text.
#include "cli/one_file.h"

ConversionOutcome ConvertOneFile(const CliOptions& o, const std::string& sSource,
                                 const std::string& sDestination) {
    if (o.command == CliCommand::Compress)
        return CConversion(sSource.c_str(), sDestination.c_str(), o.encoder).Run();
    return CConversion(sDestination.c_str(), sSource.c_str(), o.decoder).Run();
}

std::string OutcomeText(const ConversionOutcome& outcome) {
    std::string sText = static_cast<LPCTSTR>(outcome.sMessage);
    // libjpeg's warnings end in a line break of their own.
    if (!sText.empty() && sText.back() != '\n')
        sText += '\n';
    return sText;
}
