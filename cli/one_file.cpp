// One file's conversion for tarnel-cli, the checks around it and its outcome in words.
#include "cli/one_file.h"

#include <cstdio>
#include <filesystem>

#include "cli/messages.h"
#include "codec/exif.h"
#include "imagefile/bitmap_codes.h"
#include "imagefile/oriented_bitmap.h"
#include "platform/file.h"

namespace fs = std::filesystem;

namespace {

ConversionOutcome FileFailure(const CFileException& error) {
    const CString sText =
        error.m_lOsError != 0 ? SystemErrorText(error.m_lOsError) : error.GetErrorMessage();
    return {ConversionResult::Failed, sText, 0, sText, false};
}

// A warning of our own after the run's: a conversion with warnings.
void Warn(ConversionOutcome& rOutcome, Msg message) {
    rOutcome.result = ConversionResult::ConvertedWithWarnings;
    rOutcome.bOnlyNotes = false;
    rOutcome.sLibraryText += (Say(message) + "\n").c_str();
}

// Decodes into a scratch file, keeping the Exif and colour-profile segments, then writes the
// picture turned as its orientation says and with the profile; with neither, the bytes are the
// plain conversion's.
ConversionOutcome ConvertWithMetadata(const CliOptions& o, const std::string& sSource,
                                      const std::string& sDestination) {
    CScratchFile scratch;
    CFileException error;
    if (!scratch.OpenScratch(&error))
        return FileFailure(error);
    ConversionOutcome outcome;
    int nOrientation = 1;
    std::vector<BYTE> profile;
    {
        const COXJPEGDecoder* pDecoder = nullptr;
        CConversion conversion(&scratch, sSource.c_str(), o.decoder,
                               [&pDecoder](const COXImageFile&, const COXJPEGImageFile&) {
                                   auto pMade = std::make_unique<COXJPEGDecoder>();
                                   pMade->KeepMarker(JPEG_APP0 + 1);
                                   pMade->KeepMarker(JPEG_APP0 + 2);
                                   pDecoder = pMade.get();
                                   return pMade;
                               });
        outcome = conversion.Run();
        if (o.bAutoOrient)
            nOrientation = OrientationOf(pDecoder->GetKeptMarkers());
        if (o.bKeepProfile &&
            JoinIccProfile(pDecoder->GetKeptMarkers(), profile) == ProfileFound::Damaged)
            Warn(outcome, Msg::ProfileDamaged);
    }
    if (outcome.result == ConversionResult::Failed)
        return outcome;
    try {
        CReplaceFile destination(sDestination.c_str(), CFile::modeCreate | CFile::modeWrite);
        if (!WriteOriented(scratch, nOrientation, destination,
                           profile.empty() ? nullptr : &profile))
            AfxThrowFileException(CFileException::invalidFile, 0, "(scratch)");
        destination.Close();
    } catch (CFileException* e) {
        outcome = FileFailure(*e);
        e->Delete();
    }
    return outcome;
}

// Whether a JPEG file's header says its picture stands as stored, read from its first bytes
// without decoding: then turning it would only cost a copy of every pixel. Standard input, which
// cannot be read twice, and a header longer than this look are not judged.
bool StandsAsStored(const std::string& sSource) {
    constexpr UINT kHeaderLook = 256u << 10;
    if (sSource == kStandardInputPath || !IsRegularFile(sSource.c_str()))
        return false;
    CFile file;
    if (!file.Open(sSource.c_str(), CFile::modeRead | CFile::shareDenyNone))
        return false;
    std::vector<BYTE> start(kHeaderLook);
    UINT nRead = 0;
    try {
        nRead = file.Read(start.data(), kHeaderLook);
    } catch (CFileException* e) {
        e->Delete();  // the conversion meets the same error and names it
        return false;
    }
    std::vector<COXJPEGDecoder::Marker> segments;
    return ReadHeaderExif(start.data(), nRead, segments) && OrientationOf(segments) == 1;
}

}  // namespace

ConversionOutcome ConvertOneFile(const CliOptions& o, const std::string& sSource,
                                 const std::string& sDestination) {
    if (o.command == CliCommand::Compress)
        return CConversion(sSource.c_str(), sDestination.c_str(), o.encoder).Run();
    if (o.bKeepProfile || (o.bAutoOrient && !StandsAsStored(sSource)))
        return ConvertWithMetadata(o, sSource, sDestination);
    return CConversion(sDestination.c_str(), sSource.c_str(), o.decoder).Run();
}

std::string SourceFault(const std::string& sPath) {
    std::error_code error;
    const fs::file_status status = fs::status(fs::u8path(sPath), error);
    if (status.type() == fs::file_type::not_found)
        return Say(Msg::NoSuchFile);
    if (status.type() == fs::file_type::directory)
        return Say(Msg::IsFolder);
    CFileException problem;
    if (CanOpenForReading(sPath.c_str(), &problem))
        return std::string();
    return Say(Msg::CannotRead, static_cast<LPCTSTR>(SystemErrorText(problem.m_lOsError)));
}

std::string DestinationFault(const std::string& sPath) {
    const fs::path path = fs::u8path(sPath);
    std::error_code error;
    if (fs::is_directory(path, error))
        return Say(Msg::IsFolder);
    const fs::path folder = path.parent_path();
    if (!folder.empty() && !fs::is_directory(folder, error))
        return Say(Msg::NoSuchFolder, folder.u8string().c_str());
    return std::string();
}

std::string Complaint(const std::string& sFile, const std::string& sWhat) {
    return "tarnel-cli: " + sFile + ": " + sWhat + "\n";
}

void Complain(std::FILE* err, const std::string& sFile, const std::string& sWhat) {
    std::fputs(Complaint(sFile, sWhat).c_str(), err);
}

void Complain(std::FILE* err, const std::string& sWhat) {
    std::fputs(("tarnel-cli: " + sWhat + "\n").c_str(), err);
}

bool HasWarnings(const ConversionOutcome& outcome) {
    return outcome.result == ConversionResult::ConvertedWithWarnings && !outcome.bOnlyNotes;
}

namespace {

// A bitmap reader's code in words with the code after it (its words in libjpeg's table are
// "Bogus message code"); empty for any other code.
std::string CodeWords(int nCode) {
    const char* pszMeaning = BitmapCodeMeaning(nCode, CurrentLanguage() == Language::English);
    return pszMeaning != nullptr ? std::string(pszMeaning) + " [" + std::to_string(nCode) + "]"
                                 : std::string();
}

// An error in the bitmap code's words, or as libjpeg words it.
std::string ErrorWords(const ConversionOutcome& outcome) {
    if (std::string sWords = CodeWords(outcome.nErrorCode); !sWords.empty())
        return sWords;
    std::string sText = static_cast<LPCTSTR>(outcome.sLibraryText);
    while (!sText.empty() && sText.back() == '\n')
        sText.pop_back();
    return sText;
}

// A line libjpeg gave a bitmap reader's warning in ("Bogus message code 1040") in its words.
std::string LineWords(const std::string& sLine) {
    int nCode = 0;
    std::string sWords;
    if (std::sscanf(sLine.c_str(), "Bogus message code %d", &nCode) == 1)
        sWords = CodeWords(nCode);
    return sWords.empty() ? sLine : sWords;
}

}  // namespace

std::string OutcomeReport(const ConversionOutcome& outcome, const std::string& sFile) {
    if (outcome.result == ConversionResult::Failed)
        return Complaint(sFile, ErrorWords(outcome));
    std::string sReport;
    const std::string sMessages = static_cast<LPCTSTR>(outcome.sLibraryText);
    std::size_t nStart = 0;
    while (nStart < sMessages.size()) {
        std::size_t nEnd = sMessages.find('\n', nStart);
        if (nEnd == std::string::npos)
            nEnd = sMessages.size();
        const std::string sLine = LineWords(sMessages.substr(nStart, nEnd - nStart));
        if (!sLine.empty())
            sReport +=
                Complaint(sFile, HasWarnings(outcome) ? Say(Msg::Warning, sLine.c_str()) : sLine);
        nStart = nEnd + 1;
    }
    return sReport;
}
