#include "effects/LXFilterGenerator.h"

LXFilterGenerator::LXFilterGenerator() : m_generatedFilter(std::make_shared<LXGroupedFilter>()) {}

void LXFilterGenerator::exportKey(const QString& key, const std::shared_ptr<CIFilter>& filter, const QString& name)
{
    m_generatedFilter->exportKey(key, filter, name);
}

void LXFilterGenerator::connectObject(const std::shared_ptr<CIFilter>& source, const QString& sourceKey,
                                      const std::shared_ptr<CIFilter>& target, const QString& targetKey)
{
    m_generatedFilter->connectObject(source, sourceKey, target, targetKey);
}

void LXFilterGenerator::connectObject(const QVariant& constant, const std::shared_ptr<CIFilter>& target,
                                      const QString& targetKey)
{
    m_generatedFilter->connectObject(constant, target, targetKey);
}
