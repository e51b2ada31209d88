// The graph's file source: names the file that the splitter after it reads. It
// delivers no samples itself; its one output, "Output", offers the file as a byte
// stream of subtype AVI, and the splitter connected to it opens the file by name.
// Load and FileName on the controlling thread while the graph is stopped.
#pragma once

#include "media/filter.h"

#include <QString>

struct FileLoadResult {
    bool ok = false;
    QString error;  // a sentence for the user when not ok
};

class FileSourceFilter final : public Filter {
public:
    FileSourceFilter();

    OutputPin &Output() const { return output_; }

    // Checks that the path names a regular file that can be read; on failure the
    // previous file is forgotten and the output proposes nothing.
    FileLoadResult Load(const QString &path);
    // Empty until a load succeeds.
    const QString &FileName() const { return fileName_; }

protected:
    bool AcceptInputType(const InputPin &pin, const MediaType &type) const override;
    std::vector<MediaType> OutputTypes(const OutputPin &pin) const override;
    StreamResult Receive(InputPin &pin, MediaSample &sample) override;

private:
    OutputPin &output_;
    QString fileName_;
};
