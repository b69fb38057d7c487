/* The reference of the per-command benchmark: the system calls that the transcript of
 * GETFILESIZE commands demands and nothing else. Every input line is taken as
 * "GETFILESIZE" of the file named by the argument; each gets one fstat and the
 * command's seven output lines, each with one write (a line end flushes the output).
 * Usage: getfilesize_reference FILE DEFAULT_PATH < script */
#include <fcntl.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

static void put(const char* text, size_t size) {
    while (size > 0) {
        ssize_t n = write(STDOUT_FILENO, text, size);
        if (n <= 0) return;
        text += n;
        size -= (size_t)n;
    }
}

static void putText(const char* text) { put(text, strlen(text)); }

int main(int argc, char** argv) {
    if (argc != 3) return 2;
    int fd = open(argv[1], O_RDONLY);
    if (fd < 0) return 1;
    char prompt[1100];
    size_t promptSize = (size_t)(stpcpy(stpcpy(stpcpy(prompt, "default drive/path is "), argv[2]), "\n") - prompt);
    static char input[1 << 16];
    ssize_t got;
    while ((got = read(STDIN_FILENO, input, sizeof input)) > 0) {
        for (ssize_t i = 0; i < got; ++i) {
            if (input[i] != '\n') continue;
            put(prompt, promptSize);
            putText("Ready for the next command (press CTRL-Z to quit) ... \n");
            putText(">>    Processing Get file size \n");
            putText("   ... doing the Get File Size \n");
            struct stat st;
            fstat(fd, &st);
            putText("   ... ... the return code from the Get File Size is 0\n");
            char line[40] = "   ... ... size = ";
            char digits[21];
            int n = 0;
            unsigned long long size = (unsigned long long)st.st_size;
            do digits[n++] = (char)('0' + size % 10);
            while ((size /= 10) != 0);
            size_t at = strlen(line);
            while (n > 0) line[at++] = digits[--n];
            line[at++] = '\n';
            put(line, at);
            put("\n", 1);
        }
    }
    return 0;
}
