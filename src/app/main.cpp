#include "media/movie_module.h"

#include <QCoreApplication>
#include <cstdio>

// Plays the MP3 file named on the command line to its end through the media command service, printing the
// position once a second.
int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: tuneshear FILE.mp3\n");
        return 2;
    }
    MovieModule movie;
    movie.Filename = argv[1];
    movie.openMovie();
    if (movie.Error != 0) {
        std::fprintf(stderr, "cannot play %s (media error %d)\n", argv[1], movie.Error);
        return 1;
    }
    movie.playMovie();
    const int32_t lengthMs = movie.getLengthInMS();
    while (movie.isMoviePlaying()) {
        std::printf("%d / %d ms\n", movie.getPositionInMS(), lengthMs);
        std::fflush(stdout);
        movie.timeOut(1);
    }
    std::printf("%d / %d ms, ended\n", movie.getPositionInMS(), lengthMs);
    movie.closeMovie();
    return 0;
}
