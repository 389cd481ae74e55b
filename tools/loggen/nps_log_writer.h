#pragma once
// The generated connections written as NPS / RRAS accounting logs, each as
// its RADIUS session (accounting_folder_writer.h).

#include <string>
#include <string_view>

namespace vy::loggen {

// The NAS-Port number written for a port name: how the database-compatible
// form, which has no NAS-Port-Id, names the port.
std::string NasPortNumber(std::string_view port);

}  // namespace vy::loggen
