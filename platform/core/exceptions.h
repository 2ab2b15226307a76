// The exceptions the system throws and catches: archive, file, storage, memory,
// not-supported and user exceptions, on one base that can describe itself and
// report itself through a prompt.
// Thrown by value, caught by const reference (`catch (const CArchiveException& e)`).
// An exception object is plain data; any thread may throw, copy or report one
// (reporting calls the prompt handler on the caller's thread).
#pragma once

#include "platform/ui/prompt.h"

#include <cstdint>
#include <exception>
#include <string>
#include <utility>

// The base of every exception of the system.
class CException : public std::exception {
public:
    CException() = default;
    CException(const CException&) = default;
    CException& operator=(const CException&) = default;
    ~CException() override = default;

    // Fills `message` with a text for the user and returns true, or returns
    // false (leaving `message` empty) when the exception has nothing to say.
    virtual bool GetErrorMessage(std::string& message) const;

    // Shows the exception's own message in a prompt with these flags; when it
    // has none, shows `fallback` (or a general text when that is empty too).
    // Returns the button chosen.
    virtual int ReportError(unsigned flags = MB_ICONERROR, const std::string& fallback = {}) const;

    // The message, for logs and test output.
    const char* what() const noexcept override;

private:
    mutable std::string m_what;   // filled on the first what()
};

// A failure while reading or writing an archive.
class CArchiveException : public CException {
public:
    // The numbering is the one the system's saved causes and messages use.
    enum Cause : int {
        none = 0,
        generic = 1,
        readOnly = 2,      // writing to a loading archive
        endOfFile = 3,     // the data ended, or a length or count exceeds what remains
        writeOnly = 4,     // reading from a storing archive
        badIndex = 5,      // an object or class index not yet seen
        badClass = 6,      // an unknown class, or an object of the wrong class
        badSchema = 7,     // a plain class stored with another schema
    };

    explicit CArchiveException(Cause cause = none, std::string fileName = {})
        : m_cause(cause), m_strFileName(std::move(fileName)) {}

    bool GetErrorMessage(std::string& message) const override;

    Cause m_cause;
    std::string m_strFileName;   // the file being archived, if known
};

// A failure of a file operation.
class CFileException : public CException {
public:
    enum Cause : int {
        none = 0,
        generic = 1,
        fileNotFound = 2,
        badPath = 3,
        tooManyOpenFiles = 4,
        accessDenied = 5,
        invalidFile = 6,
        removeCurrentDir = 7,
        directoryFull = 8,
        badSeek = 9,
        hardIO = 10,
        sharingViolation = 11,
        lockViolation = 12,
        diskFull = 13,
        endOfFile = 14,
    };

    explicit CFileException(Cause cause = none, long osError = 0, std::string fileName = {})
        : m_cause(cause), m_lOsError(osError), m_strFileName(std::move(fileName)) {}

    bool GetErrorMessage(std::string& message) const override;

    // The cause that matches an errno value.
    static Cause OsErrorToCause(int osError);
    // Throws the file exception for an errno value (cause, number and file name).
    [[noreturn]] static void ThrowOsError(int osError, const std::string& fileName = {});

    Cause m_cause;
    long m_lOsError;             // errno of the failing call, 0 if none
    std::string m_strFileName;   // the file concerned, if known
};

// A failure of the compound-file (storage) layer, with its result code.
class CStorageException : public CException {
public:
    explicit CStorageException(int32_t sc = 0, std::string detail = {})
        : m_sc(sc), m_strDetail(std::move(detail)) {}

    bool GetErrorMessage(std::string& message) const override;

    int32_t m_sc;              // the storage result code (negative: failure)
    std::string m_strDetail;   // what the storage layer said, if anything
};

// Memory could not be allocated.
class CMemoryException : public CException {
public:
    bool GetErrorMessage(std::string& message) const override;
};

// An operation the system does not (yet) support.
class CNotSupportedException : public CException {
public:
    bool GetErrorMessage(std::string& message) const override;
};

// An operation ended because of the user; the user has already been told, so
// this exception has no message and reporting it shows nothing.
class CUserException : public CException {
public:
    // Shows nothing and returns 0.
    int ReportError(unsigned flags = MB_ICONERROR, const std::string& fallback = {}) const override;
};
