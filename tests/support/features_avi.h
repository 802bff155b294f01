#pragma once

// AVI files read back from outside: ffprobe and ffmpeg through a shell, and the folders they lie in.

#include <cstdio>
#include <filesystem>
#include <string>

namespace ostrel::test {

// A command's standard output; empty when it cannot start.
inline std::string RunShell(const std::string& strCommand)
{
    std::string out;
    FILE* pPipe = ::popen((strCommand + " 2>/dev/null").c_str(), "r");
    if (!pPipe)
        return out;
    char buf[4096];
    for (size_t n = 0; (n = std::fread(buf, 1, sizeof buf, pPipe)) > 0;)
        out.append(buf, n);
    ::pclose(pPipe);
    return out;
}

// "codec,width,height,rate,duration,samples,pictures" of the video stream, as ffprobe counts them.
inline std::string ProbeStream(const std::filesystem::path& file)
{
    return RunShell("ffprobe -v error -count_frames -select_streams v:0 -show_entries stream=codec_name,width,"
                    "height,r_frame_rate,duration,nb_frames,nb_read_frames -of csv=p=0 '" + file.string() + "'");
}

// The coded pictures in bgr24, one after another, decoded by ffmpeg (empty chunks are no pictures).
inline std::string DecodePictures(const std::filesystem::path& file, const std::string& strBefore = "")
{
    return RunShell("ffmpeg -v error " + strBefore + " -i '" + file.string() +
                    "' -fps_mode passthrough -f rawvideo -pix_fmt bgr24 -");
}

inline size_t FilesIn(const std::filesystem::path& folder)
{
    std::error_code ec;
    size_t n = 0;
    for (auto it = std::filesystem::directory_iterator(folder, ec); !ec && it != std::filesystem::directory_iterator();
         it.increment(ec))
        ++n;
    return n;
}

// An empty folder of this name below the test's working folder.
inline std::filesystem::path FreshFolder(const std::string& strName)
{
    const std::filesystem::path folder = std::filesystem::current_path() / strName;
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    return folder;
}

} // namespace ostrel::test
