#pragma once
// The router as the mapping's threads ask it (port_mapping.cpp), blocking; by
// one thread at a time.
#include <atomic>
#include <memory>

#include "net/port_mapping.h"

namespace korvalo::net {

std::shared_ptr<PortMapping::Router> makeRouter();
// The whole attempt: finds the router and asks it for the mapping, every
// exchange before the attempt's deadline; stopping cuts it short within a
// tenth of a second, but for miniupnpc's SSDP search (two seconds at most).
MappingResult mapPort(PortMapping::Router& router, quint16 port, const std::atomic<bool>& stopping);
// Asks for the same mapping again, for another lease.
void renewMapping(PortMapping::Router& router);
// Removes what this host made, if anything.
void removeMapping(PortMapping::Router& router);

}  // namespace korvalo::net
