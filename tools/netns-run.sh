#!/usr/bin/env bash
# Runs one command inside a private network namespace: loopback up and a veth pair
# carrying 10.77.0.0/24, so broadcasts work and nothing leaves the namespace.
# Works as root or unprivileged (through a user namespace).
set -euo pipefail

if [ "${ZUNET_IN_NETNS:-}" != "1" ]; then
  export ZUNET_IN_NETNS=1
  if [ "$(id -u)" -eq 0 ] && unshare --net true 2>/dev/null; then
    exec unshare --net -- "$0" "$@"
  fi
  exec unshare --user --map-root-user --net -- "$0" "$@"
fi

ip link set lo up
if ip link add zu0 type veth peer name zu1 2>/dev/null; then
  ip addr add 10.77.0.1/24 broadcast 10.77.0.255 dev zu0
  ip addr add 10.77.0.2/24 broadcast 10.77.0.255 dev zu1
  ip link set zu0 up
  ip link set zu1 up
  # A default route inside the namespace lets 255.255.255.255 broadcasts leave through the veth.
  ip route add default dev zu0 2>/dev/null || true
fi
exec "$@"
