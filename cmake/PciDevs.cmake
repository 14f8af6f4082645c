# pcidevs.txt is generated from Debian's pci.ids next to the programs; it is not committed.
set(BRISCO_PCI_IDS /usr/share/misc/pci.ids CACHE FILEPATH "pci.ids from Debian's pci.ids package")
set(BRISCO_PCIDEVS ${CMAKE_RUNTIME_OUTPUT_DIRECTORY}/pcidevs.txt)
add_custom_command(
  OUTPUT ${BRISCO_PCIDEVS}
  COMMAND ${CMAKE_SOURCE_DIR}/scripts/make-pcidevs ${BRISCO_PCI_IDS} ${BRISCO_PCIDEVS}
  DEPENDS ${BRISCO_PCI_IDS} ${CMAKE_SOURCE_DIR}/scripts/make-pcidevs
  COMMENT "Generating pcidevs.txt from pci.ids")
add_custom_target(pcidevs ALL DEPENDS ${BRISCO_PCIDEVS})
