// A stand-in for a Java runtime's bin\unpack200.exe. It is started with its path as the program name
// and a command line `-r "PACK" "JAR"`, so its first argument is "-r" itself. Its ".pack" files are
// gzip streams of the jar: it writes the jar and leaves the pack file to the caller. Exit code 2 for
// any other command line, 3 when the pack cannot be read or the jar cannot be written.
#include <windows.h>
#include <zlib.h>

#include <cstdio>
#include <cstring>
#include <vector>

int main(int argc, char** argv) {
    const char* commandLine = GetCommandLineA();
    if (argc != 3 || strncmp(commandLine, "-r \"", 4) != 0 || strcmp(argv[0], "-r") != 0) return 2;
    gzFile pack = gzopen(argv[1], "rb");
    if (!pack) return 3;
    FILE* jar = fopen(argv[2], "wb");
    if (!jar) {
        gzclose(pack);
        return 3;
    }
    std::vector<char> buffer(65536);
    int read = 0, result = 0;
    while ((read = gzread(pack, buffer.data(), (unsigned)buffer.size())) > 0) {
        if (fwrite(buffer.data(), 1, (size_t)read, jar) != (size_t)read) result = 3;
    }
    if (read < 0) result = 3;
    if (fclose(jar) != 0) result = 3;
    gzclose(pack);
    return result;
}
