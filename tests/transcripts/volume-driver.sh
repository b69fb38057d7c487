# Sourced by the volume-ioctl-*.setup files: start_echo_driver [echo-driver options]
# starts the substitute driver on a socket folder of its own under /tmp (not in the scratch
# directory: that may be on a FUSE mount, and FUSE mounts refuse sockets), exports
# DRAVIK_DEVICE_DIR for dravik, waits for the socket and registers the driver's end.
start_echo_driver() {
    DRAVIK_DEVICE_DIR=$(mktemp -d /tmp/dravik-devices.XXXXXX) || return 1
    export DRAVIK_DEVICE_DIR
    "${DRAVIK_TOOLS_DIR:?the echo driver lives in DRAVIK_TOOLS_DIR}/echo-driver" "$@" "$DRAVIK_DEVICE_DIR" &
    local pid=$!
    CLEANUP+=("kill $pid 2>/dev/null; wait $pid 2>/dev/null; rm -rf '$DRAVIK_DEVICE_DIR'")
    local try
    for try in $(seq 200); do
        [ -S "$DRAVIK_DEVICE_DIR/QELDRV.VXD" ] && return 0
        sleep 0.05
    done
    echo "echo-driver did not start" >&2
    return 1
}
