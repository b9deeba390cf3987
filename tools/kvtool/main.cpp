#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>

#include "core/store/status.h"
#include "kvtool.h"

namespace {

void Usage(std::FILE* to) {
    std::fputs(
        "usage:\n"
        "  kvtool dump FILE.kv\n"
        "  kvtool build FILE.json OUT.kv\n"
        "  kvtool export KIND FILE.kv OUT   (KIND: reserve-text facility-text reserve-csv facility-csv users)\n"
        "  kvtool export ical FILE.kv OUT.ics [--facility ID] [--user NAME] [--from YYYY-MM-DD] [--until YYYY-MM-DD]\n"
        "  kvtool book FILE.kv --facility ID --date YYYY-MM-DD --start H:MM --end H:MM --user NAME\n"
        "              [--purpose T] [--contact T] [--fee N] [--paid]\n"
        "              [--repeat daily|weekly|biweekly|monthly (--until YYYY-MM-DD | --count N) [--skip-holidays]]\n"
        "  kvtool list FILE.kv [--sort KEY]\n"
        "  kvtool check FILE.kv\n"
        "  kvtool demo OUT.kv\n"
        "  kvtool render FILE.kv --day YYYY-MM-DD [--mode 0|1] [--week] --out F.png|F.pdf\n"
        "  kvtool free FILE.kv --date YYYY-MM-DD [--until YYYY-MM-DD] --start H:MM --end H:MM [--people N]\n"
        "  kvtool copy SRC DST [--replace] [--forbid-overlaps]\n"
        "  kvtool holidays [--year YYYY | --from YYYY-MM-DD --until YYYY-MM-DD]\n"
        "  kvtool holidays import FILE.csv\n"
        "  kvtool --help | --version\n"
        "FILE.kv, SRC, DST: a .kv file or postgresql://[user@][host][:port]/DB?register=NAME[&...]\n",
        to);
}

// The manual page in short: what --help adds to the usage lines.
void Help() {
    Usage(stdout);
    std::fputs(
        "\n"
        "終了状態: 0 完了  1 ファイルを読み書きできない  2 引数や入力の誤り  3 検査で断られた\n"
        "ファイル: 設定 $XDG_CONFIG_HOME/orvalis/orvalis.ini (~/.config/orvalis/orvalis.ini)。"
        "kvtool は読むだけで書きません\n"
        "環境変数: ORVALIS_PROFILE 設定ファイルの場所  TZ 予約の時刻を読み書きする時間帯\n"
        "詳しくは man kvtool\n",
        stdout);
}

int g_outputErrno = 0;  // the first failure writing standard output

// What a command printed must have reached standard output whole: a full
// disk or a file-size limit there is a failure like any other file's.
int FinishOutput(int rc) {
    errno = 0;
    if (std::fflush(stdout) != 0 && g_outputErrno == 0) g_outputErrno = errno ? errno : EIO;
    if (g_outputErrno == 0 && !std::ferror(stdout)) return rc;
    const store::Cause cause = g_outputErrno ? store::CauseFromErrno(g_outputErrno) : store::Cause::Generic;
    kvtool::Error(store::FileMessage(cause, "標準出力"));
    return rc == kvtool::kOk ? kvtool::kFileError : rc;
}

// Every command with the arguments and options it takes: a trailing '='
// marks an option that takes a value.
struct Command {
    const char* name;
    int (*run)(const kvtool::Options&);
    size_t positional;
    const char* options;
    const char* usage;
};
const Command kCommands[] = {
    {"dump", kvtool::Dump, 1, "", "usage: kvtool dump FILE.kv"},
    {"build", kvtool::Build, 2, "", "usage: kvtool build FILE.json OUT.kv"},
    {"check", kvtool::Check, 1, "", "usage: kvtool check FILE.kv"},
    {"demo", kvtool::Demo, 1, "", "usage: kvtool demo OUT.kv"},
    {"export", kvtool::Export, 3, "--facility= --user= --from= --until=",
     "usage: kvtool export reserve-text|facility-text|reserve-csv|facility-csv|users|ical FILE.kv OUT"},
    {"book", kvtool::Book, 1,
     "--facility= --date= --start= --end= --user= --purpose= --contact= --fee= --paid --repeat= --until= --count= "
     "--skip-holidays",
     "usage: kvtool book FILE.kv --facility ID --date YYYY-MM-DD --start H:MM --end H:MM --user NAME ..."},
    {"list", kvtool::List, 1, "--sort=", "usage: kvtool list FILE.kv [--sort KEY]"},
    {"render", kvtool::Render, 1, "--day= --mode= --week --out=",
     "usage: kvtool render FILE.kv --day YYYY-MM-DD [--mode 0|1] [--week] --out F.png|F.pdf"},
    {"free", kvtool::Free, 1, "--date= --until= --start= --end= --people=",
     "usage: kvtool free FILE.kv --date YYYY-MM-DD [--until YYYY-MM-DD] --start H:MM --end H:MM [--people N]"},
    {"copy", kvtool::Copy, 2, "--replace --forbid-overlaps",
     "usage: kvtool copy SRC DST [--replace] [--forbid-overlaps]"},
    {"holidays", kvtool::Holidays, kvtool::kAnyCount, "--year= --from= --until=",
     "usage: kvtool holidays [--year YYYY | --from YYYY-MM-DD --until YYYY-MM-DD] | kvtool holidays import FILE.csv"},
};

}  // namespace

void kvtool::Error(const std::string& utf8) { std::fprintf(stderr, "%s\n", utf8.c_str()); }

void kvtool::Print(const std::string& utf8) {
    errno = 0;
    if (std::fwrite(utf8.data(), 1, utf8.size(), stdout) != utf8.size() && g_outputErrno == 0)
        g_outputErrno = errno ? errno : EIO;
}

bool kvtool::OutputFailed() { return g_outputErrno != 0 || std::ferror(stdout); }

int main(int argc, char** argv) {
    // A file-size limit must show as a failed write with its message, not kill us.
    std::signal(SIGXFSZ, SIG_IGN);
    if (argc < 2) {
        Usage(stderr);
        return kvtool::kBadArgs;
    }
    const std::string cmd = argv[1];
    const kvtool::Args args(argv + 2, argv + argc);
    for (const Command& c : kCommands) {
        if (cmd != c.name) continue;
        kvtool::Options options;
        if (!kvtool::ReadOptions(c.name, args, c.positional, c.options, c.usage, &options)) return kvtool::kBadArgs;
        return FinishOutput(c.run(options));
    }
    if (cmd == "-h" || cmd == "--help" || cmd == "help") {
        Help();
        return FinishOutput(kvtool::kOk);
    }
    if (cmd == "--version") {
        kvtool::Print("kvtool (Orvalis) " ORVALIS_VERSION "\n");
        return FinishOutput(kvtool::kOk);
    }
    kvtool::Error("kvtool: unknown command: " + cmd);
    Usage(stderr);
    return kvtool::kBadArgs;
}
