#include "core/nvo_runandwait.h"

#include "runtime/files.h"
#include "runtime/gbk.h"

#include <QProcess>
#include <QStringList>

#include <vector>

namespace {

std::vector<std::string> split_blanks(const std::string& s) {
    std::vector<std::string> words;
    std::size_t pos = 0;
    while ((pos = s.find_first_not_of(' ', pos)) != std::string::npos) {
        auto end = s.find(' ', pos);
        words.push_back(s.substr(pos, end == std::string::npos ? std::string::npos : end - pos));
        pos = end;
    }
    return words;
}

QString qtext(const std::string& gbk) { return QString::fromStdString(rt::gbk_to_utf8(gbk)); }

// The program and its arguments into `process`; false for a blank command line.
bool prepare(QProcess& process, const std::string& command_line) {
    const std::vector<std::string> words = split_blanks(command_line);
    if (words.empty()) return false;
    QStringList args;
    for (std::size_t i = 1; i < words.size(); ++i) args << qtext(words[i]);
    process.setProgram(qtext(words.front()));
    process.setArguments(args);
    process.setStandardInputFile(QProcess::nullDevice());
    return true;
}

} // namespace

int nvo_runandwait::of_runandwait(const std::string& as_exe) {
    QProcess process;
    if (!prepare(process, as_exe)) return 1;
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    process.start();
    if (process.waitForStarted(-1)) process.waitForFinished(-1);
    return 1;
}

int nvo_runandwait::of_runandwait(const std::string& as_exe, int ai_wait_ms, std::string& as_output,
                                  int& ai_exitcode) {
    as_output.clear();
    ai_exitcode = -1;
    QProcess process;
    if (!prepare(process, as_exe)) return -1;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start();
    if (!process.waitForStarted(ai_wait_ms)) return -1;
    if (!process.waitForFinished(ai_wait_ms)) {
        process.kill();
        process.waitForFinished(1000);
        return 0;
    }
    // The bytes are cut before they are converted, as one read of an output
    // file would cut them.
    as_output = rt::utf8_to_gbk(process.readAll().left(static_cast<qsizetype>(rt::file_piece)).toStdString());
    if (process.exitStatus() == QProcess::NormalExit) ai_exitcode = process.exitCode();
    return 1;
}
