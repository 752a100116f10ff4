// Another program of the session: asks the running calendar for a new page the way the README
// describes, one line on its local socket.
#include <cstdio>
#include <cstring>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

int main(int argc, char** argv) {
    if (argc != 2) return 2;
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, argv[1], sizeof(address.sun_path) - 1);
    const int fd = socket(AF_UNIX, SOCK_STREAM, 0);
    if (fd < 0 || connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0) return 1;
    const char line[] = "0x457\n";
    const bool ok = write(fd, line, sizeof(line) - 1) == static_cast<ssize_t>(sizeof(line) - 1);
    close(fd);
    return ok ? 0 : 1;
}
