list(APPEND QUILLEX_DRIVER_SOURCES
  sensor/Register.cpp
  sensor/RegisterTables.cpp
  sensor/Sensor.cpp
  sensor/Imx6x6Sensor.cpp
  sensor/Genx320Sensor.cpp
  sensor/Imx415Sensor.cpp
  sensor/Genx320EventRateControl.cpp
)
