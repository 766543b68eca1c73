#pragma once
// Watch tasks on disk: section "Tasks" with "Count" in the settings file, one
// numbered section per task, and one "<n>.dev" printer-settings file per task
// beside the settings file.
#include <string>
#include <vector>

#include "tasks/settings/printaction.h"

// The printer-settings file of a section: the settings file's folder, the
// section name, ".dev".
std::string DevFilePath(const std::string& ini_path, const std::string& section);

bool ReadTask(CPrintAction& task, const std::string& ini_path, const std::string& section);
bool WriteTask(const CPrintAction& task, const std::string& ini_path, const std::string& section);

// Appends the stored tasks to `tasks`.
void LoadTasks(std::vector<CPrintAction>& tasks, const std::string& ini_path);
// Replaces the stored tasks by `tasks`; other sections of the file stay.
// The new set is written first and what is stale removed after, so that a
// crash in between still leaves a list that loads.
void SaveTasks(const std::vector<CPrintAction>& tasks, const std::string& ini_path);
// The two halves of SaveTasks.
void WriteTaskSet(const std::vector<CPrintAction>& tasks, const std::string& ini_path);
void RemoveStaleTasks(size_t count, const std::string& ini_path);

// More tasks than this are never read: a damaged "Count" must not keep
// start-up busy for hours.
constexpr int kMaxTasks = 1000;
