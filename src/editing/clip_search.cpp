#include "clip_search.h"

#include "model/file_reference.h"

#include <algorithm>
#include <deque>
#include <dirent.h>
#include <fcntl.h>
#include <filesystem>
#include <map>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace kestrune {

namespace {

std::string folderOf(const std::string& path) {
    return std::filesystem::path(path).parent_path().string();
}

void addFolder(std::vector<SearchFolder>& folders, const std::string& path, int depth) {
    if (path.empty() || path.front() != '/')
        return;
    const auto same = std::find_if(folders.begin(), folders.end(),
                                   [&](const SearchFolder& f) { return f.path == path; });
    if (same == folders.end())
        folders.push_back({path, depth});
    else
        same->depth = std::max(same->depth, depth);
}

using Clock = std::chrono::steady_clock;

class Search {
public:
    Search(const std::vector<MissingClip>& clips, const SearchLimits& limits, std::stop_token stop)
        : clips_(clips)
        , limits_(limits)
        , stop_(std::move(stop))
        , deadline_(Clock::now() + limits.maxTime) {
        result_.clips.reserve(clips.size());
        for (const auto& clip : clips)
            result_.clips.push_back({clip.id, std::nullopt});
        left_ = clips.size();
    }

    ClipSearchResult run(const std::vector<SearchFolder>& folders) {
        for (const auto& folder : folders) {
            if (left_ == 0)
                return finish(ClipSearchResult::End::allFound);
            if (!walk(folder))
                return std::move(result_);
        }
        return finish(left_ == 0 ? ClipSearchResult::End::allFound
                                 : ClipSearchResult::End::searched);
    }

private:
    struct Pending {
        std::string path;
        int depthLeft;
    };

    ClipSearchResult finish(ClipSearchResult::End end) {
        result_.end = end;
        return std::move(result_);
    }

    // False once the search has to stop, with the reason set.
    bool mayGoOn() {
        ClipSearchResult::End end;
        if (stop_.stop_requested())
            end = ClipSearchResult::End::cancelled;
        else if (result_.entriesSeen >= limits_.maxEntries)
            end = ClipSearchResult::End::entryLimit;
        else if (Clock::now() >= deadline_)
            end = ClipSearchResult::End::timeLimit;
        else
            return true;
        result_.end = end;
        return false;
    }

    // Breadth first, so the files nearest the folder are looked at first. False
    // when the search has to stop.
    bool walk(const SearchFolder& root) {
        std::error_code error;
        std::string start = std::filesystem::absolute(root.path, error).lexically_normal().string();
        if (error || start.empty())
            return true;
        while (start.size() > 1 && start.back() == '/')
            start.pop_back();
        std::deque<Pending> pending{{start, std::max(root.depth, 0)}};
        bool isRoot = true;
        while (!pending.empty()) {
            Pending folder = std::move(pending.front());
            pending.pop_front();
            // The folder given may be a link (a mounted disk's usual name); the
            // subfolders found while walking are never followed through one.
            const int flags = O_RDONLY | O_DIRECTORY | O_CLOEXEC | (isRoot ? 0 : O_NOFOLLOW);
            isRoot = false;
            const int fd = ::open(folder.path.c_str(), flags);
            if (fd < 0)
                continue; // gone, unreadable, or a link: passed over
            if (!firstVisit(fd, folder.depthLeft)) {
                ::close(fd);
                continue;
            }
            DIR* listing = ::fdopendir(fd);
            if (!listing) {
                ::close(fd);
                continue;
            }
            const bool goOn = list(listing, folder, pending);
            ::closedir(listing);
            if (!goOn)
                return false;
            if (left_ == 0)
                return true;
        }
        return true;
    }

    // Whether the folder open at `fd` is to be listed: not listed before, or only
    // with fewer levels below it to look into. A folder linked into itself (by a
    // bind mount, say) is thereby listed a bounded number of times.
    bool firstVisit(int fd, int depthLeft) {
        struct stat status {};
        if (::fstat(fd, &status) != 0)
            return false;
        const auto key = std::make_pair(status.st_dev, status.st_ino);
        const auto seen = listed_.find(key);
        if (seen != listed_.end() && seen->second >= depthLeft)
            return false;
        listed_[key] = depthLeft;
        return true;
    }

    bool list(DIR* listing, const Pending& folder, std::deque<Pending>& pending) {
        const int fd = ::dirfd(listing);
        while (const dirent* entry = ::readdir(listing)) {
            const std::string name = entry->d_name;
            if (name == "." || name == "..")
                continue;
            if (!mayGoOn())
                return false;
            ++result_.entriesSeen;
            unsigned char type = entry->d_type;
            const bool wanted = isWantedName(name);
            struct stat status {};
            if (type == DT_UNKNOWN || (wanted && type == DT_REG)) {
                if (::fstatat(fd, name.c_str(), &status, AT_SYMLINK_NOFOLLOW) != 0)
                    continue;
                type = S_ISDIR(status.st_mode)   ? DT_DIR
                       : S_ISREG(status.st_mode) ? DT_REG
                                                 : DT_UNKNOWN;
            }
            const std::string path = folder.path == "/" ? "/" + name : folder.path + "/" + name;
            if (type == DT_DIR) {
                if (folder.depthLeft > 0 && name.front() != '.')
                    pending.push_back({path, folder.depthLeft - 1});
            } else if (type == DT_REG && wanted) {
                consider(path, name, static_cast<std::int64_t>(status.st_size));
                if (left_ == 0)
                    return true;
            }
        }
        return true;
    }

    bool isWantedName(const std::string& name) const {
        for (std::size_t i = 0; i < clips_.size(); ++i)
            if (!result_.clips[i].file && clips_[i].fileName == name)
                return true;
        return false;
    }

    void consider(const std::string& path, const std::string& name, std::int64_t size) {
        const RelinkFile* file = nullptr;
        std::optional<RelinkFile> read; // read at most once, and only on a name and size match
        bool tried = false;
        for (std::size_t i = 0; i < clips_.size(); ++i) {
            const MissingClip& clip = clips_[i];
            auto& match = result_.clips[i].file;
            if (match || clip.fileName != name || clip.fileSize != size)
                continue;
            if (!tried) {
                tried = true;
                try {
                    read = readRelinkFile(path);
                } catch (const std::exception&) {
                    return; // not a video a clip can use
                }
                file = &*read;
            }
            // The file may have changed between listing and reading.
            if (file->metadata.fileSize != clip.fileSize ||
                !sameDuration(clip.duration, file->metadata.duration, file->metadata.frameRate))
                continue;
            match = *file;
            --left_;
        }
    }

    const std::vector<MissingClip>& clips_;
    const SearchLimits limits_;
    const std::stop_token stop_;
    const Clock::time_point deadline_;
    ClipSearchResult result_;
    std::size_t left_ = 0;
    std::map<std::pair<dev_t, ino_t>, int> listed_;
};

} // namespace

std::size_t ClipSearchResult::foundCount() const {
    return static_cast<std::size_t>(std::count_if(
        clips.begin(), clips.end(), [](const Match& m) { return m.file.has_value(); }));
}

std::vector<MissingClip> missingClips(const Project& project) {
    std::vector<MissingClip> missing;
    for (const VideoClip& clip : project.clipsInOrder()) {
        const auto location = locateClip(clip);
        if (location && location->found)
            continue;
        missing.push_back({clip.id, clip.fileName, clip.fileSize, clip.duration,
                           location ? location->path : std::string()});
    }
    return missing;
}

std::vector<SearchFolder> automaticSearchFolders(const Project& project) {
    std::vector<SearchFolder> folders;
    std::vector<std::string> oldFolders;
    for (const VideoClip& clip : project.clipsInOrder()) {
        const auto location = locateClip(clip);
        if (location && location->found)
            addFolder(folders, folderOf(location->path), 1);
        else if (location)
            oldFolders.push_back(folderOf(location->path));
    }
    for (const auto& old : oldFolders) {
        const std::string parent = folderOf(old);
        // Two levels below the root would be most of the system's folders.
        if (parent == "/" || parent.empty())
            addFolder(folders, old, 2);
        else
            addFolder(folders, parent, 2);
    }
    return folders;
}

ClipSearchResult searchForClips(const std::vector<MissingClip>& clips,
                                const std::vector<SearchFolder>& folders,
                                const SearchLimits& limits, std::stop_token stop) {
    return Search(clips, limits, std::move(stop)).run(folders);
}

} // namespace kestrune
