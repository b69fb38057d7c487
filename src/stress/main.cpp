// dravik-stress: seeded random scripts whose every check a model of Win32 predicts;
// runs them, judges the first departure, shrinks it to a minimal script, compares two
// builds, and soaks with fresh seeds.
#include <sys/stat.h>
#include <unistd.h>

#include <CLI/CLI.hpp>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <random>

#include "dravik_version.h"
#include "stress/generator.h"
#include "stress/judge.h"
#include "stress/known_differences.h"
#include "stress/launch.h"
#include "stress/shrinker.h"
#include "stress/transcript.h"

namespace {

using namespace stress;
using Clock = std::chrono::steady_clock;

constexpr int SoakOps = 5000;  // commands of a soak's scripts unless --ops says otherwise

struct Settings {
    GeneratorOptions gen;
    bool seedGiven = false;
    std::string out, mix, dravik, against, knownFile, duration, user = "dravik-test", keep;
    std::string dir = "/tmp";
    std::vector<std::string> env;
    bool run = false, shrinkIt = false;
    int timeout = 300, maxRuns = 3000;
};

std::string besideMe(const std::string& name) {
    char self[4096];
    ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
    if (n <= 0) return name;
    std::string path(self, static_cast<std::size_t>(n));
    return path.substr(0, path.rfind('/') + 1) + name;
}

// "60s", "2m", "1h" or plain seconds.
bool parseDuration(const std::string& text, double& seconds) {
    if (text.empty()) return false;
    char unit = text.back();
    double scale = unit == 'm' ? 60 : unit == 'h' ? 3600 : 1;
    std::string number = std::isdigit(static_cast<unsigned char>(unit)) ? text : text.substr(0, text.size() - 1);
    if (number.empty() || number.find_first_not_of("0123456789") != std::string::npos) return false;
    if (!std::isdigit(static_cast<unsigned char>(unit)) && unit != 's' && unit != 'm' && unit != 'h') return false;
    seconds = std::stod(number) * scale;
    return true;
}

bool writeText(const std::string& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary);
    out << text;
    return static_cast<bool>(out);
}

class Session {
public:
    explicit Session(Settings s) : s_(std::move(s)) {}

    int start() {
        std::string error;
        LaunchOptions launch;
        launch.parent = s_.dir;
        launch.user = s_.user;
        launch.timeoutSeconds = s_.timeout;
        launch.keep = s_.keep;
        launch.env = s_.env;
        launch.command = dravikCommand(s_.dravik.empty() ? besideMe("dravik") : s_.dravik);
        if (!main_.prepare(launch, error)) return fail(error);
        if (!s_.against.empty()) {
            LaunchOptions other = launch;
            other.command = dravikCommand(s_.against);
            if (other.command.size() > 1 && !winePrefix(other, error)) return fail(error);
            if (!other_.prepare(other, error)) return fail(error);
            if (!s_.knownFile.empty() && !known_.load(s_.knownFile, error)) return fail(error);
        }
        return 0;
    }

    // One seed: 0 no departure, 1 a departure (shrunk when asked).
    int oneSeed(std::uint64_t seed, bool shrinkIt) {
        s_.gen.seed = seed;
        std::printf("seed %llu\n", static_cast<unsigned long long>(seed));
        std::fflush(stdout);
        Script script = derive(generate(s_.gen), s_.gen.model, scriptHeader(s_.gen));
        commands_ += script.lines.size();
        std::string name = "stress-" + std::to_string(seed) + ".dvk";
        auto found = check(script, name);
        if (!found) return 0;
        std::printf("departure: %s\n", found->describe().c_str());
        if (!shrinkIt) {
            if (!s_.out.empty()) writeScript(s_.out, script);
            return 1;
        }
        Shrunk small = shrink(
            script, *found, s_.gen.model, [&](const Script& c) { return check(c, name); }, s_.maxRuns);
        std::string path = s_.out.empty() ? "stress-" + std::to_string(seed) + "-min.dvk" : s_.out;
        writeScript(path, small.script);
        std::printf("shrunk: removed %d of %zu commands in %d runs; %zu remain\n", small.removed, script.lines.size(),
                    small.runs, small.script.lines.size());
        std::printf("minimal departure: %s\n", small.departure.describe().c_str());
        std::printf("minimal script: %s\n", path.c_str());
        return 1;
    }

    std::size_t commands() const { return commands_; }

private:
    int fail(const std::string& error) {
        std::fprintf(stderr, "dravik-stress: %s\n", error.c_str());
        return 2;
    }

    void writeScript(const std::string& path, const Script& script) {
        if (!writeText(path, script.text())) std::fprintf(stderr, "dravik-stress: cannot write %s\n", path.c_str());
    }

    // Wine keeps its prefix in a folder the unprivileged user owns, made once.
    bool winePrefix(LaunchOptions& other, std::string& error) {
        std::string prefix = s_.dir + "/dravik-stress-wineprefix";
        mkdir(prefix.c_str(), 0755);
        if (geteuid() == 0) {
            std::string cmd = "chown " + s_.user + ": '" + prefix + "'";
            if (std::system(cmd.c_str()) != 0) {
                error = "cannot hand " + prefix + " to " + s_.user;
                return false;
            }
        }
        other.env.push_back("WINEPREFIX=" + prefix);
        other.timeoutSeconds = std::max(other.timeoutSeconds, 600);
        return true;
    }

    std::optional<Departure> check(const Script& script, const std::string& name) {
        std::string text = script.text();
        Launched one = main_.run(text);
        TranscriptSeen seen = readTranscript(one.transcript);
        if (s_.against.empty()) return judge(script, seen, one.results);
        Launched two = other_.run(text);
        TranscriptSeen otherSeen = readTranscript(two.transcript);
        for (auto& d : compareAll(script, seen, otherSeen)) {
            if (known_.listed(name, d.line)) continue;
            d.expected = "this build: " + d.expected;
            d.got = "the other: " + d.got;
            return d;
        }
        return std::nullopt;
    }

    Settings s_;
    Launcher main_, other_;
    KnownDifferences known_;
    std::size_t commands_ = 0;
};

std::uint64_t freshSeed() {
    std::random_device device;
    return (static_cast<std::uint64_t>(device()) << 32 | device()) % 10000000000000ull;
}

// The options, with the help text that --help prints and the manual page shows.
void addOptions(CLI::App& app, Settings& s) {
    app.set_version_flag("--version", std::string("dravik-stress " DRAVIK_VERSION " (generator ") +
                                          std::to_string(GeneratorVersion) + ")");
    app.add_option("--seed", s.gen.seed, "seed of the script (default: a fresh one)")->type_name("N");
    app.add_option("--ops", s.gen.ops, "commands in the script (default 200; a soak's: 5000)")
        ->type_name("M")
        ->check(CLI::Range(1, 1000000));
    app.add_option("--files", s.gen.files, "file names used (default 4)")->type_name("K")->check(CLI::Range(1, 64));
    app.add_option("--slots", s.gen.model.fileSlots, "file slots used (default 8)")
        ->type_name("S")
        ->check(CLI::Range(2, 256));
    app.add_option("--mix", s.mix, "weights of the commands, for example read=4,write=4,map=0")
        ->type_name("COMMAND=WEIGHT,...");
    app.add_option("--out", s.out, "write the script, or the shrunken script, to FILE instead of standard output")
        ->type_name("FILE");
    app.add_option("--dir", s.dir, "folder on the file system under test, where the scratch folders go (default /tmp)")
        ->type_name("DIR");
    app.add_flag("--run", s.run, "run the script and report the first departure from the model");
    app.add_flag("--shrink", s.shrinkIt, "on a departure, shrink the script to a minimal one that still shows it");
    app.add_option("--against", s.against,
                   "run the same scripts with another dravik (another build, or the Windows build under Wine) "
                   "and report the first line where their results differ")
        ->type_name("OTHER_DRAVIK");
    app.add_option("--known-differences", s.knownFile,
                   "differences to accept, lines SCRIPT[:LINE] reason, as the known failures of dravik-run(1)")
        ->type_name("FILE");
    app.add_option("--duration", s.duration,
                   "soak: with --run, fresh seeds until the time is up (60s, 5m, 1h) or a departure, then shrunk")
        ->type_name("TIME");
    app.add_option("--dravik", s.dravik, "the dravik to run (default: the one beside dravik-stress)")
        ->type_name("PATH");
    app.add_option("--user", s.user, "unprivileged user that runs dravik when started as root (default dravik-test)")
        ->type_name("USER");
    app.add_option("--timeout", s.timeout, "seconds one script may run (default 300)")
        ->type_name("S")
        ->check(CLI::Range(1, 86400));
    app.add_option("--max-runs", s.maxRuns, "runs the shrinker may make (default 3000)")
        ->type_name("N")
        ->check(CLI::Range(1, 1000000));
    app.add_option("--keep", s.keep,
                   "keep each run's folder (script, transcript, results, a link to its scratch folder) below DIR")
        ->type_name("DIR");
    app.add_flag("--portable", s.gen.model.portable, "avoid what Wine is known to return otherwise than Windows");
    app.add_option("--env", s.env, "NAME=VALUE for dravik's environment (repeatable)")->type_name("NAME=VALUE");
}

// Reads the options into s; -1 to go on, else the exit status.
int parseOptions(int argc, char** argv, Settings& s) {
    CLI::App app{"dravik-stress: random dravik scripts checked by a model of Win32 semantics"};
    addOptions(app, s);
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        int code = app.exit(e);
        return code == 0 ? 0 : 2;
    }
    s.seedGiven = app.count("--seed") > 0;
    std::string error;
    if (!s.mix.empty() && !parseMix(s.mix, s.gen.weights, error)) {
        std::fprintf(stderr, "dravik-stress: %s\n", error.c_str());
        return 2;
    }
    double seconds = 0;
    if (!s.duration.empty() && !parseDuration(s.duration, seconds)) {
        std::fprintf(stderr, "dravik-stress: bad --duration '%s' (want 60s, 5m or 1h)\n", s.duration.c_str());
        return 2;
    }
    // A soak runs long scripts: fewer dravik processes to start for as many commands.
    if (!s.duration.empty() && app.count("--ops") == 0) s.gen.ops = SoakOps;
    if (!s.against.empty()) s.gen.model.portable = true;
    if (!s.seedGiven) s.gen.seed = freshSeed();
    return -1;
}

// Without --run: the script alone.
int writeOnly(const Settings& s) {
    Script script = derive(generate(s.gen), s.gen.model, scriptHeader(s.gen));
    if (s.out.empty()) {
        std::fwrite(script.text().data(), 1, script.text().size(), stdout);  // line 1 names the seed
        return 0;
    }
    std::printf("seed %llu\n", static_cast<unsigned long long>(s.gen.seed));
    if (!writeText(s.out, script.text())) {
        std::fprintf(stderr, "dravik-stress: cannot write %s\n", s.out.c_str());
        return 2;
    }
    return 0;
}

int soak(Session& session, std::uint64_t seed, double seconds) {
    auto begin = Clock::now();
    int seeds = 0, result = 0;
    while (std::chrono::duration<double>(Clock::now() - begin).count() < seconds) {
        ++seeds;
        if ((result = session.oneSeed(seed, true)) != 0) break;
        ++seed;  // each seed printed, so any of them can be run again alone
    }
    double took = std::chrono::duration<double>(Clock::now() - begin).count();
    auto commands = static_cast<double>(session.commands());
    std::printf("soak: %d seeds, %zu commands in %.1f s (%.0f commands/s), %s\n", seeds, session.commands(), took,
                commands / std::max(took, 1e-9), result ? "a departure" : "no departure");
    return result;
}

int run(int argc, char** argv) {
    Settings s;
    if (int rc = parseOptions(argc, argv, s); rc >= 0) return rc;
    if (!s.run && s.duration.empty()) return writeOnly(s);
    Session session(s);
    if (int rc = session.start()) return rc;
    if (s.duration.empty()) return session.oneSeed(s.gen.seed, s.shrinkIt);
    double seconds = 0;
    parseDuration(s.duration, seconds);
    return soak(session, s.gen.seed, seconds);
}

}  // namespace

int main(int argc, char** argv) {
    try {
        return run(argc, argv);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "dravik-stress: %s\n", e.what());
        return 2;
    }
}
