// SPDX-License-Identifier: GPL-3.0-or-later
#include "SaveDecision.h"

SaveDecision SaveDecision::decide(const std::string &chosenPath, int filterIndex)
{
    const std::size_t slash = chosenPath.find_last_of('/');
    const std::string fileName =
        slash == std::string::npos ? chosenPath : chosenPath.substr(slash + 1);
    const std::size_t dot = fileName.find_last_of('.');
    const std::string extension =
        dot == std::string::npos ? std::string() : fileName.substr(dot + 1);

    if (extension == "mp3")
        return {Type::Mp3, chosenPath};
    if (extension == "wav")
        return {Type::Wav, chosenPath};
    if (fileName.empty())
        return {Type::Nothing, {}};
    if (filterIndex == 1)
        return {Type::Mp3, chosenPath + ".mp3"};
    if (filterIndex == 2)
        return {Type::Wav, chosenPath + ".wav"};
    return {Type::Nothing, {}};
}
