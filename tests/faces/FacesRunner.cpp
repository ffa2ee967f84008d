// The runner of tests/faces/requests.txt for the C API ("c") and the C++ API ("cpp"): makes
// every request of the table on one generator and prints what each gave, in the format the
// table describes.
//   faces_runner c|cpp requests.txt
#include <pagewright/pagewright.hpp>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

namespace {

struct Row {
    std::string strForm, strSection, strText;
    bool bFile = false;
};

// \\ and \xHH, as the table writes them.
std::string Unescape(const std::string& s) {
    std::string out;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s.compare(i, 2, "\\\\") == 0) {
            out += '\\';
            ++i;
        } else if (s.compare(i, 2, "\\x") == 0 && i + 3 < s.size()) {
            out += static_cast<char>(std::stoi(s.substr(i + 2, 2), nullptr, 16));
            i += 3;
        } else {
            out += s[i];
        }
    }
    return out;
}

std::vector<Row> ReadTable(const char* szPath) {
    std::vector<Row> rows;
    std::ifstream in(szPath, std::ios::binary);
    for (std::string line; std::getline(in, line);) {
        // The value of "key: value" (or of "key:"), or false when the line is no such field.
        const auto field = [&line](const std::string& key, std::string& value) {
            if (line != key + ":" && line.rfind(key + ": ", 0) != 0)
                return false;
            value = Unescape(line.substr(std::min(line.size(), key.size() + 2)));
            return true;
        };
        std::string value;
        if (line.rfind("=== ", 0) == 0)
            rows.emplace_back();
        else if (rows.empty())
            continue;
        else if (field("form", value))
            rows.back().strForm = value;
        else if (field("section", value))
            rows.back().strSection = value;
        else if (field("text", value))
            rows.back().strText = value;
        else if (field("text file", value))
            rows.back().strText = value, rows.back().bFile = true;
    }
    return rows;
}

void Print(const char* szKind, const std::string& value) {
    std::printf("%s %s\n", szKind, value.c_str());
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3)
        return 2;
    const std::string strFace = argv[1];
    const std::vector<Row> rows = ReadTable(argv[2]);
    if (strFace == "c") {
        pagewright_generator* g = pagewright_new();
        std::vector<int> arrIndexes;
        for (const Row& r : rows)
            arrIndexes.push_back(
                r.bFile ? pagewright_generate_file(g, r.strText.c_str(), r.strForm.c_str(),
                                                   r.strSection.c_str())
                        : pagewright_generate(g, r.strText.data(), r.strText.size(),
                                              r.strForm.c_str(), r.strSection.c_str()));
        if (pagewright_wait(g, -1) != 1)
            return 1;
        for (const int nIndex : arrIndexes) {
            char* szPage = pagewright_page(g, nIndex);
            char* szReason = pagewright_reason(g, nIndex);
            szPage ? Print("page", szPage) : Print("reason", szReason ? szReason : "(none)");
            pagewright_free(szPage);
            pagewright_free(szReason);
        }
        pagewright_destroy(g);
    } else {
        pagewright::Generator gen;
        std::vector<pagewright::Request> requests;
        for (const Row& r : rows)
            requests.push_back(r.bFile ? gen.generate_file(r.strText, r.strForm, r.strSection)
                                       : gen.generate(r.strText, r.strForm, r.strSection));
        for (const pagewright::Request& request : requests) {
            const pagewright::Page page = request.get();
            page.ok() ? Print("page", page.path().string()) : Print("reason", page.reason());
        }
    }
    return 0;
}
