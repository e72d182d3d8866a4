# Writes the compiled-in bundle information. Run at build time (cmake -P) so
# that the build number is the time of the build, not of the configuration.
string(TIMESTAMP BUILD_VERSION "%Y%m%d%H%M%S" UTC)
configure_file(${TEMPLATE} ${OUTPUT}.new @ONLY)
file(COPY_FILE ${OUTPUT}.new ${OUTPUT} ONLY_IF_DIFFERENT)
file(REMOVE ${OUTPUT}.new)
