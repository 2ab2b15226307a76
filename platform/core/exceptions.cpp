#include "platform/core/exceptions.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {

// Appends " (file)" to a message when the file is known.
std::string WithFile(std::string text, const std::string& fileName) {
    if (!fileName.empty())
        text += " (" + fileName + ")";
    return text;
}

}  // namespace

// ---- CException -------------------------------------------------------------

bool CException::GetErrorMessage(std::string& message) const {
    message.clear();
    return false;
}

int CException::ReportError(unsigned flags, const std::string& fallback) const {
    std::string text;
    if (!GetErrorMessage(text) || text.empty())
        text = fallback.empty() ? std::string("An unexpected error occurred.") : fallback;
    return ShowPrompt(text, flags);
}

const char* CException::what() const noexcept {
    try {
        if (m_what.empty() && !GetErrorMessage(m_what))
            m_what = "exception";
        return m_what.c_str();
    } catch (...) {
        return "exception";
    }
}

// ---- CArchiveException ------------------------------------------------------

bool CArchiveException::GetErrorMessage(std::string& message) const {
    const char* text = nullptr;
    switch (m_cause) {
    case none: text = "No archive error."; break;
    case generic: text = "The archive could not be read or written."; break;
    case readOnly: text = "The archive was opened for reading and cannot be written."; break;
    case endOfFile: text = "The data ended unexpectedly."; break;
    case writeOnly: text = "The archive was opened for writing and cannot be read."; break;
    case badIndex: text = "The file refers to an object that it does not contain."; break;
    case badClass: text = "The file contains an object of an unknown or unexpected kind."; break;
    case badSchema: text = "The file was written by another version of the program."; break;
    }
    if (!text)
        text = "Unknown archive error.";
    message = WithFile(text, m_strFileName);
    return true;
}

// ---- CFileException ---------------------------------------------------------

bool CFileException::GetErrorMessage(std::string& message) const {
    const char* text = nullptr;
    switch (m_cause) {
    case none: text = "No file error."; break;
    case generic: text = "The file operation failed."; break;
    case fileNotFound: text = "The file was not found."; break;
    case badPath: text = "The path is not valid."; break;
    case tooManyOpenFiles: text = "Too many files are open."; break;
    case accessDenied: text = "Access to the file was denied."; break;
    case invalidFile: text = "The file handle is not valid."; break;
    case removeCurrentDir: text = "The current folder cannot be removed."; break;
    case directoryFull: text = "The folder is full."; break;
    case badSeek: text = "The file position could not be set."; break;
    case hardIO: text = "A device error occurred while accessing the file."; break;
    case sharingViolation: text = "The file is in use by another program."; break;
    case lockViolation: text = "A locked part of the file could not be accessed."; break;
    case diskFull: text = "The disk is full."; break;
    case endOfFile: text = "The end of the file was reached."; break;
    }
    if (!text)
        text = "Unknown file error.";
    std::string result = WithFile(text, m_strFileName);
    if (m_lOsError != 0)
        result += std::string(" [") + std::strerror(static_cast<int>(m_lOsError)) + "]";
    message = std::move(result);
    return true;
}

CFileException::Cause CFileException::OsErrorToCause(int osError) {
    switch (osError) {
    case 0: return none;
    case ENOENT: return fileNotFound;
    case ENOTDIR:
    case ENAMETOOLONG:
    case ELOOP:
    case EINVAL: return badPath;
    case EMFILE:
    case ENFILE: return tooManyOpenFiles;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR: return accessDenied;
    case EBADF: return invalidFile;
    case EBUSY:
    case ETXTBSY: return sharingViolation;
    case ENOLCK:
    case EDEADLK: return lockViolation;
    case ENOSPC:
    case EDQUOT:
    case EFBIG: return diskFull;
    case ESPIPE:
    case EOVERFLOW: return badSeek;
    case EIO: return hardIO;
    default: return generic;
    }
}

void CFileException::ThrowOsError(int osError, const std::string& fileName) {
    throw CFileException(OsErrorToCause(osError), osError, fileName);
}

// ---- the others -------------------------------------------------------------

bool CStorageException::GetErrorMessage(std::string& message) const {
    char code[16];
    std::snprintf(code, sizeof code, "0x%08X", static_cast<unsigned>(m_sc));
    message = std::string("The compound file could not be accessed (") + code + ")";
    if (!m_strDetail.empty())
        message += ": " + m_strDetail;
    message += ".";
    return true;
}

bool CMemoryException::GetErrorMessage(std::string& message) const {
    message = "Out of memory.";
    return true;
}

bool CNotSupportedException::GetErrorMessage(std::string& message) const {
    message = "The operation is not supported.";
    return true;
}

int CUserException::ReportError(unsigned, const std::string&) const {
    return 0;
}
