// PageImager: the page imager program as the mailing window runs it. It is started with a
// location (a web address, or a file URL made from a path), "jpg" and "3", and leaves its
// image as "load-url-1963.jpg" in this user's private temporary folder, replacing any earlier
// one; nothing else crosses. Every run has a deadline past the imager's own, after which the
// program is killed and there is no image.
// Main context or cooperative threads; nothing throws.
#pragma once

#include <QString>

#include <chrono>

struct Message;

class PageImager {
public:
    // The program beside ours, or the one a test set; empty when there is none.
    static QString ProgramPath();
    static void SetProgramForTests(const QString& inPath);  // empty restores the default
    static void SetDeadlineForTests(std::chrono::milliseconds inDeadline);  // 0 restores it

    // What the imager is given for a location: a path becomes a percent-encoded file URL;
    // anything else stays as it is.
    static QString LocationArgument(const QString& inLocation);

    // Removes an earlier image, runs the program and answers whether the image is there.
    static bool MakeImage(const QString& inLocation);

    // The image's path; empty when the private temporary folder is unusable.
    static QString ImagePath();
    // Appends the image as the inline part "image.jpg" (image/jpeg); false when it cannot be read.
    static bool AddImagePart(Message& ioMessage);
};
