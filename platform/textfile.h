// Text files as the engine uses them: read a file line by line, write a new file piece by
// piece, delete a file. Opening reports failure through its result; reading, writing, closing
// and deleting report failure by throwing FileException, which the callers catch.
#pragma once

#include <cstddef>
#include <cstdint>
#include <exception>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

class FileException : public std::exception {
public:
    enum Cause { kRead, kWrite, kClose, kRemove };
    FileException(Cause cause, int nOsError, std::string strPath);
    const char* what() const noexcept override { return m_strWhat.c_str(); }
    int GetOsError() const { return m_nOsError; }

private:
    int m_nOsError;
    std::string m_strWhat;
};

// The line rule of TextFileReader on bytes in hand: a line feed ends a line and is not part of
// it, a carriage return directly before the line feed is dropped, and bytes after the last line
// feed make a last line of their own. Looks for the line feed from nFrom on (the bytes before
// are known to hold none); true, with the length of the first line of text without its line end
// in *pnLength and with it in *pnNext, when there is one.
bool FindLineEnd(std::string_view text, std::size_t nFrom, std::size_t* pnLength,
                 std::size_t* pnNext);

// Lines of text that is in memory already, split as TextFileReader splits a file.
class LineSplitter {
public:
    explicit LineSplitter(std::string_view text) : m_rest(text) {}
    // False when no line is left; line views the text.
    bool Next(std::string_view& line);

private:
    std::string_view m_rest;
};

// A file opened for reading in text mode: the line end is not part of a line, a carriage
// return directly before the line feed is dropped, lines have no length limit and a last line
// without a line end is read like any other. Other openers are not shut out.
class TextFileReader {
public:
    TextFileReader() = default;
    TextFileReader(const TextFileReader&) = delete;
    TextFileReader& operator=(const TextFileReader&) = delete;
    ~TextFileReader();

    // False when the file cannot be opened (missing, no access, a directory); pError, when
    // given, receives the system's error code.
    bool Open(const std::string& strPath, int* pError = nullptr);
    // False at the end of the file. Throws FileException on a read error.
    bool ReadLine(std::string& strLine);
    // The same, without a copy: line views the reader's buffer until the next call.
    bool ReadLine(std::string_view& line);
    // The file's size when the system knows it up front (a regular file), else 0: a bound for
    // what a caller keeps of the file, when it wants to allocate once.
    std::uint64_t KnownSize() const { return m_nKnownSize; }
    void Close() noexcept;

private:
    bool Fill();

    std::intptr_t m_hFile = -1; // an os::FileHandle
    std::string m_strPath;
    std::unique_ptr<char[]> m_buffer;
    std::size_t m_nCapacity = 0;
    std::uint64_t m_nKnownSize = 0;
    std::size_t m_nStart = 0;
    std::size_t m_nEnd = 0;
    bool m_bEof = false;
};

// How TextFileWriter::Create treats what already stands at the name.
enum class CreateMode {
    kReplace, // replaces it: a new file is created under a name of its own beside it and moved
              // onto the name at once (where nothing stands, it is simply created there), so an
              // older file, a hard link or a symbolic link there is replaced as an entry, never
              // opened, emptied or written through. Refused where opening the name for writing
              // would be: a directory, a file this process may not write
    kNew,     // leaves it alone and fails (IsFileExistsError tells this failure apart); the
              // test and the creation are one step, so two writers never get the same file,
              // and a link at the name counts as taken, never as a way through
};

// A file created for writing, afresh (see CreateMode), with the permissions of a newly created
// file (the process's umask applies). Whatever is done to its name later, the writes go to the
// file that Create made. Strings are written exactly as given: no line end is added and nothing
// is translated.
class TextFileWriter {
public:
    TextFileWriter() = default;
    TextFileWriter(const TextFileWriter&) = delete;
    TextFileWriter& operator=(const TextFileWriter&) = delete;
    // Closes a file that is still open, dropping any error.
    ~TextFileWriter();

    // False when the file cannot be made; pError, when given, receives the system's error code.
    // No other file is left behind then.
    bool Create(const std::string& strPath, int* pError = nullptr,
                CreateMode mode = CreateMode::kReplace);
    // Throws FileException when the data cannot be written.
    void WriteString(std::string_view text);
    // Writes what is still buffered and closes; throws FileException on failure, after which
    // the file is closed all the same.
    void Close();

private:
    void Flush();
    void WriteAll(const char* p, std::size_t n);

    std::intptr_t m_hFile = -1; // an os::FileHandle
    std::string m_strPath;
    std::string m_buffer;
};

// The system's description of an error code that a file operation reported (errno here, a
// Win32 error code on Windows).
std::string FileErrorText(int nOsError);
// Whether an error code from Create says that the file exists already.
bool IsFileExistsError(int nOsError);

// Deletes a file; throws FileException when it cannot (missing, a directory, no access).
void RemoveFile(const std::string& strPath);

} // namespace platform
