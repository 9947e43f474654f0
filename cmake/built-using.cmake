# Run by cpack once the package is made: adds the Built-Using field, which names the source of
# the text component compiled into the program (cpack has no setting for it).
foreach(deb IN LISTS CPACK_PACKAGE_FILES)
  set(dir "${deb}.unpacked")
  file(REMOVE_RECURSE "${dir}")
  execute_process(COMMAND dpkg-deb -R "${deb}" "${dir}" COMMAND_ERROR_IS_FATAL ANY)
  file(READ "${dir}/DEBIAN/control" control)
  string(STRIP "${control}" control)
  file(WRITE "${dir}/DEBIAN/control" "${control}\nBuilt-Using: ${CPACK_ZORVEK_BUILT_USING}\n")
  execute_process(COMMAND dpkg-deb --root-owner-group -Zxz -b "${dir}" "${deb}"
                  OUTPUT_QUIET COMMAND_ERROR_IS_FATAL ANY)
  file(REMOVE_RECURSE "${dir}")
endforeach()
