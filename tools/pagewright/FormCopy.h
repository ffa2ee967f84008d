// The form file a run of the command loads: the user's own file when every request can read
// it for itself, or else a private temporary copy read from it once.
//
// A pipe or standard input can be read only once, but every request's job loads its form file
// anew; and --dest-dir, --page-format and --text-escaping change a setting without touching the
// user's file.
// Both are served by a copy in the system's temporary folder, which every request of the run
// loads and which goes when the run ends. Messages about the copy name the form as given.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace cli {

// The [SYSTEM] keys of --dest-dir, --page-format and --text-escaping, as the engine names them.
extern const char* const kDestDirKey;
extern const char* const kPageFormatKey;
extern const char* const kTextEscapingKey;

// A [SYSTEM] line the command adds to the copy, and the option it comes from.
struct FormOverride {
    std::string strKey;
    std::string strValue;
    std::string strOption;
};

class FormCopy {
public:
    FormCopy() = default;
    FormCopy(const FormCopy&) = delete;
    FormCopy& operator=(const FormCopy&) = delete;
    ~FormCopy();

    // strForm as the user gave it ("-": standard input). False, with strError, when a form
    // that has to be copied cannot be read or the copy cannot be written. A form that does not
    // exist is left to the requests, which say so as they always do.
    bool Prepare(const std::string& strForm, const std::vector<FormOverride>& arrOverrides,
                 std::string& strError);

    // What the requests load.
    const std::string& LoadPath() const { return m_strLoadPath; }
    // How messages name the form: the path as given, "<stdin>" for standard input.
    const std::string& DisplayName() const { return m_strDisplay; }
    // A line of the loaded file as a line of the form as given: 0 for a line the command added
    // (and for 0).
    std::size_t FormLine(std::size_t nLine) const;
    // A message with every mention of the copy ("copy:12") put in terms of the form as given.
    std::string ShowForm(const std::string& strMessage) const;

private:
    // Whether the line was added for an override, and for which.
    const FormOverride* AddedBy(std::size_t nLine) const;

    std::string m_strDisplay;
    std::string m_strLoadPath;
    std::vector<std::string> m_arrCopies; // temporary files of this run, removed at exit
    std::size_t m_nFirstAdded = 0;        // the copy's first added line, 0 for none
    std::vector<FormOverride> m_arrAdded;
};

} // namespace cli
