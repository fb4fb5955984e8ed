list(APPEND QUILLEX_DRIVER_SOURCES
  camera/DvsCamera.cpp
  camera/DvsCameraPrivate.cpp
  camera/DvsEventCamera.cpp
  camera/EventCameraModels.cpp
  camera/DvsCameraManager.cpp
)
